#include "gl_render_fixture.h"

#include <KRPlatformOpenCL.h>
#include <dlfcn.h>

#include <algorithm>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace qlxgltest {

const char* pathName(FramePath path) {
    switch (path) {
        case FramePath::Memory:
            return "memory";
        case FramePath::MemoryOnDevice:
            return "memory_on_device";
        case FramePath::Textures:
            return "textures";
        case FramePath::TexturesWithHostCopy:
            return "textures_with_host_copy";
    }
    return "?";
}

bool usesDevice(FramePath path) {
    return path != FramePath::Memory;
}

bool isTexturePath(FramePath path) {
    return path == FramePath::Textures || path == FramePath::TexturesWithHostCopy;
}

void GLRenderTest::SetUp() {
    EffectTest::SetUp();
    useProgram(bundledProgram());
}

void GLRenderTest::TearDown() {
    if (HasFailure())
        for (const qlxhost::LogLine& line : host.util.log.lines())
            std::fprintf(stderr, "log %d: %s\n", line.level, line.text.c_str());
    // Effects living in the host's context are destroyed with it current.
    if (device.isOpen()) device.makeCurrent();
    EffectTest::TearDown();
}

void GLRenderTest::useProgram(const std::string& text) {
    writeLut("root.conf", R"({"GUID": "ROOT-GUID", "NAME": "LUT", "OPENGL": "programs/lut.glsl"})");
    programFile = writeLut("programs/lut.glsl", text);
}

std::string GLRenderTest::bundledProgram() {
    return qlxtest::readFile(QLX_LUT_PROGRAM);
}

void GLRenderTest::lendDevice() {
    ASSERT_TRUE(device.open()) << device.error();
    host.gpu.devices.push_back(device.record());
}

void GLRenderTest::makeBoth(const char* guid) {
    makeWithCpuTwin(guid, kOpenGLMode, glEffect);
}

cv::Mat GLRenderTest::renderOn(FramePath path, QLXEffect* target, const cv::Mat& input,
                               int extraPitch, int expected) {
    if (!isTexturePath(path)) return renderInMemory(target, input, extraPitch, expected);
    return renderTextures(target, input, expected, path == FramePath::TexturesWithHostCopy);
}

cv::Mat GLRenderTest::renderInMemory(QLXEffect* target, const cv::Mat& input, int extraPitch,
                                     int expected) {
    const int pitch = input.cols * 4 + extraPitch;
    std::vector<std::uint8_t> storage(static_cast<std::size_t>(pitch) * input.rows, 0x5A);
    auto in =
        qlxhost::Frame::wrap(input.data, input.cols, input.rows, static_cast<int>(input.step));
    auto out = qlxhost::Frame::wrap(storage.data(), input.cols, input.rows, pitch);
    qlxhost::RenderContext frames(in.get(), out.get());
    EXPECT_EQ(target->Render(frames.qlx()), expected);
    return cv::Mat(input.rows, input.cols, CV_8UC4, storage.data(), pitch).clone();
}

cv::Mat GLRenderTest::renderTextures(QLXEffect* target, const cv::Mat& input, int expected,
                                     bool hostCopy) {
    const int width = input.cols, height = input.rows;
    qlxhost::OpenGLFrame in(device, host.gpu, width, height, 0, hostCopy);
    qlxhost::OpenGLFrame out(device, host.gpu, width, height, 0, hostCopy);
    const cv::Mat start(input.size(), CV_8UC4, cv::Scalar::all(0x5A));
    if (!in.write(input.data, static_cast<int>(input.step)) ||
        !out.write(start.data, static_cast<int>(start.step))) {
        ADD_FAILURE() << "the host's textures cannot be written";
        return cv::Mat();
    }
    if (hostCopy) {
        input.copyTo(cv::Mat(input.size(), CV_8UC4, in.hostPixels()));
        start.copyTo(cv::Mat(input.size(), CV_8UC4, out.hostPixels()));
    }
    qlxhost::RenderContext frames(&in.frame(), &out.frame());
    EXPECT_EQ(target->Render(frames.qlx()), expected);
    if (hostCopy) {
        EXPECT_TRUE(qlxtest::sameBytes(cv::Mat(input.size(), CV_8UC4, out.hostPixels()), start))
            << "the output's host copy is not the frame";
    }
    cv::Mat output(input.size(), CV_8UC4);
    EXPECT_TRUE(out.read(output.data, static_cast<int>(output.step)));
    return output;
}

int GLRenderTest::logCount(int level, const std::string& text) const {
    int count = 0;
    for (const qlxhost::LogLine& line : host.util.log.lines())
        count += line.level == level && line.text == text;
    return count;
}

int maxDifference(const cv::Mat& a, const cv::Mat& b) {
    if (a.size() != b.size() || a.type() != b.type()) return 256;
    return static_cast<int>(cv::norm(a, b, cv::NORM_INF));
}

bool libraryLoaded(const char* name) {
    void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

KRGLEngineStatistics engineStatistics(const char* library) {
    KRGLEngineStatistics counters{};
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return counters;
    auto read =
        reinterpret_cast<KROpenGLEffectMgrStatisticsFn>(dlsym(handle, kKRGLEngineStatisticsEntry));
    if (read) read(&counters);
    dlclose(handle);
    return counters;
}

int liveGLObjects(int names) {
    using IsObject = GLboolean (*)(GLuint);
    const IsObject kinds[] = {glIsTexture, glIsFramebuffer, glIsRenderbuffer, glIsBuffer,
                              glIsSampler, glIsVertexArray, glIsProgram,      glIsShader};
    int count = 0;
    for (IsObject isObject : kinds)
        for (GLuint name = 1; name <= static_cast<GLuint>(names); ++name)
            count += isObject(name) == GL_TRUE;
    return count;
}

}  // namespace qlxgltest
