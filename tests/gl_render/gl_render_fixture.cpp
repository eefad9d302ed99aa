#include "gl_render_fixture.h"

#include <dlfcn.h>

namespace qlxgltest {

const char* pathName(FramePath path) {
    constexpr const char* kNames[] = {"memory", "memory_on_device", "textures"};
    return kNames[static_cast<int>(path)];
}

void GLRenderTest::SetUp() {
    EffectTest::SetUp();
    useProgram(qlxtest::readFile(QLX_LUT_PROGRAM));
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
    writeLut("programs/lut.glsl", text);
}

void GLRenderTest::lendDeviceFor(FramePath path) {
    if (path == FramePath::Memory) return;
    ASSERT_TRUE(device.open()) << device.error();
    host.gpu.devices.push_back(device.record());
}

void GLRenderTest::makeBoth(const char* guid) {
    makeWithCpuTwin(guid, kOpenGLMode, glEffect);
}

cv::Mat GLRenderTest::renderOn(FramePath path, QLXEffect* target, const cv::Mat& input,
                               int extraPitch, int expected) {
    if (path != FramePath::Textures) return renderInMemory(target, input, extraPitch, expected);
    qlxhost::OpenGLFrame in(device, host.gpu, input.cols, input.rows);
    qlxhost::OpenGLFrame out(device, host.gpu, input.cols, input.rows);
    const cv::Mat start(input.size(), CV_8UC4, cv::Scalar::all(0x5A));
    EXPECT_TRUE(in.write(input.data, static_cast<int>(input.step)) &&
                out.write(start.data, static_cast<int>(start.step)));
    qlxhost::RenderContext frames(&in.frame(), &out.frame());
    EXPECT_EQ(target->Render(frames.qlx()), expected);
    cv::Mat output(input.size(), CV_8UC4);
    EXPECT_TRUE(out.read(output.data, static_cast<int>(output.step)));
    return output;
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

int GLRenderTest::logCount(int level, const std::string& text) const {
    int count = 0;
    for (const qlxhost::LogLine& line : host.util.log.lines())
        count += line.level == level && line.text == text;
    return count;
}

KRGLEngineStatistics GLRenderTest::statistics(FramePath path) const {
    KRGLEngineStatistics counters{};
    const char* library =
        path == FramePath::Memory ? "KROpenGLEffectMgr-mesa.so" : "KROpenGLEffectMgr.so";
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return counters;
    auto read =
        reinterpret_cast<KROpenGLEffectMgrStatisticsFn>(dlsym(handle, kKRGLEngineStatisticsEntry));
    if (read) read(&counters);
    dlclose(handle);
    return counters;
}

}  // namespace qlxgltest
