#include "gl_render_fixture.h"

#include <dlfcn.h>

#include "opencl_frames.h"

namespace qlxgltest {

const char* kindName(Kind kind) {
    constexpr const char* kNames[] = {"cpu", "opencl", "gl_memory", "gl_on_device", "gl_textures"};
    return kNames[static_cast<int>(kind)];
}

void RendererTest::SetUp() {
    EffectTest::SetUp();
    writeLut("programs/lut.cl", qlxtest::bundledProgramText());
    useProgram("lut.glsl", qlxtest::readFile(QLX_LUT_PROGRAM));
}

void RendererTest::TearDown() {
    if (HasFailure())
        for (const qlxhost::LogLine& line : host.util.log.lines())
            std::fprintf(stderr, "log %d: %s\n", line.level, line.text.c_str());
    // Effects living in the host's context are destroyed with it current.
    if (device.isOpen()) device.makeCurrent();
    EffectTest::TearDown();
}

void RendererTest::useProgram(const std::string& file, const std::string& text, bool enciphered) {
    writeLut("root.conf", std::string(R"({"GUID": "ROOT-GUID", "OPENCL": "programs/lut.cl", )") +
                              R"("OPENGL": "programs/lut.glsl", "ENCRYPT": ")" +
                              (enciphered ? "1" : "0") + "\"}");
    programFile = writeLut("programs/" + file, text);
}

void RendererTest::lendDeviceFor(Kind kind) {
    if (kind == Kind::OpenCL) {
        if (!openCL.open()) GTEST_SKIP() << "no OpenCL device: " << openCL.error();
        host.gpu.devices.push_back(openCL.record());
    } else if (kind == Kind::GLOnDevice || kind == Kind::GLTextures) {
        ASSERT_TRUE(device.open()) << device.error();
        host.gpu.devices.push_back(device.record());
    }
}

void RendererTest::makeBoth(const char* guid, Kind kind) {
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(kind));
    if (IsSkipped()) return;
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    constexpr std::uint32_t kModes[] = {0, 1, 2, 2, 2};
    target = makeEffect(guid, kModes[static_cast<int>(kind)]);
    cpuEffect = makeEffect(guid, 0);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(cpuEffect, nullptr);
}

cv::Mat RendererTest::renderOn(Kind kind, QLXEffect* effect, const cv::Mat& input, int extraPitch,
                               int expected, const cv::Mat& start) {
    const cv::Mat first =
        start.empty() ? cv::Mat(input.size(), CV_8UC4, cv::Scalar::all(0x5A)) : start;
    if (kind == Kind::OpenCL) {
        auto in = qlxtest::uploadFrame(openCL, host.gpu, input, extraPitch);
        auto out = qlxtest::uploadFrame(openCL, host.gpu, first, extraPitch);
        if (!in || !out) return cv::Mat();
        qlxhost::RenderContext frames(&in->frame(), &out->frame());
        EXPECT_EQ(effect->Render(frames.qlx()), expected);
        return qlxtest::downloadFrame(*out);
    }
    if (kind != Kind::GLTextures) return renderInMemory(effect, input, extraPitch, expected, first);
    qlxhost::OpenGLFrame in(device, host.gpu, input.cols, input.rows);
    qlxhost::OpenGLFrame out(device, host.gpu, first.cols, first.rows);
    EXPECT_TRUE(in.write(input.data, static_cast<int>(input.step)) &&
                out.write(first.data, static_cast<int>(first.step)));
    qlxhost::RenderContext frames(&in.frame(), &out.frame());
    EXPECT_EQ(effect->Render(frames.qlx()), expected);
    cv::Mat output(first.size(), CV_8UC4);
    EXPECT_TRUE(out.read(output.data, static_cast<int>(output.step)));
    return output;
}

int RendererTest::logCount(int level, const std::string& text) const {
    int count = 0;
    for (const qlxhost::LogLine& line : host.util.log.lines())
        count += line.level == level && line.text == text;
    return count;
}

KRGLEngineStatistics RendererTest::statistics(Kind kind) const {
    KRGLEngineStatistics counters{};
    const char* library =
        kind == Kind::GLMemory ? "KROpenGLEffectMgr-mesa.so" : "KROpenGLEffectMgr.so";
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return counters;
    auto read =
        reinterpret_cast<KROpenGLEffectMgrStatisticsFn>(dlsym(handle, kKRGLEngineStatisticsEntry));
    if (read) read(&counters);
    dlclose(handle);
    return counters;
}

}  // namespace qlxgltest
