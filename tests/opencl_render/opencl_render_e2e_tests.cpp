// Frames rendered through OpenCL by the built plugin, on the host kit's POCL
// device and OpenCL frames, byte for byte against the same plugin's CPU
// rendering of the same frames; and the OpenCL path's failures as a host sees
// them.
#include <KRPlatformOpenCL.h>

#include "effect/effect_fixture.h"
#include "opencl_frames.h"

namespace {

using namespace qlxtest;

constexpr std::uint32_t kOpenCLMode = 1;

class OpenCLEffectTest : public EffectTest {
  protected:
    void SetUp() override {
        EffectTest::SetUp();
        if (!device.open()) GTEST_SKIP() << "no OpenCL device: " << device.error();
        host.gpu.devices.push_back(device.record());
        useProgram(bundledProgramText());
    }

    // The root description names `programs/lut.cl`, which holds `text`.
    void useProgram(const std::string& text, bool enciphered = false) {
        writeLut("root.conf", std::string(R"({"GUID": "ROOT-GUID", "NAME": "LUT", )") +
                                  R"("OPENCL": "programs/lut.cl", "ENCRYPT": ")" +
                                  (enciphered ? "1" : "0") + "\"}");
        programFile = writeLut("programs/lut.cl", text);
    }

    // One OpenCL effect and one CPU effect of the same filter, prepared.
    void makeBoth(const char* guid) { makeWithCpuTwin(guid, kOpenCLMode, gpuEffect); }

    // Renders `input` through the OpenCL effect on OpenCL frames; the output
    // frame starts as 0x5A bytes.
    cv::Mat renderOnDevice(const cv::Mat& input, int extraPitch = 0) {
        auto in = uploadFrame(device, host.gpu, input, extraPitch);
        auto out = filledFrame(device, host.gpu, input.cols, input.rows, extraPitch, 0x5A);
        if (!in || !out) return cv::Mat();
        qlxhost::RenderContext frames(&in->frame(), &out->frame());
        EXPECT_EQ(gpuEffect->Render(frames.qlx()), kQLXSuccess);
        return downloadFrame(*out);
    }

    // Renders `input` through the CPU effect on host-memory frames.
    cv::Mat renderOnHost(const cv::Mat& input) {
        std::swap(effect, cpuEffect);
        const cv::Mat output = render(input);
        std::swap(effect, cpuEffect);
        return output;
    }

    qlxhost::OpenCLDevice device;
    QLXEffect* gpuEffect = nullptr;
    std::string programFile;
};

struct FrameCase {
    int width, height, extraPitch, alpha, skin;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height << " +" << c.extraPitch << " alpha " << c.alpha << " skin "
        << c.skin;
}

class OpenCLFrames : public OpenCLEffectTest, public ::testing::WithParamInterface<FrameCase> {};

// With skin protection the skin is found on the device image.
TEST_P(OpenCLFrames, EqualTheCpuPath) {
    const FrameCase c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    const cv::Mat input = testPicture(c.width, c.height, 21);
    update(c.alpha, 0);
    const cv::Mat unprotected = renderOnHost(input);
    update(c.alpha, c.skin);
    const cv::Mat want = renderOnHost(input);
    EXPECT_EQ(sameBytes(want, unprotected), c.skin == 0) << "the picture must hold some skin";
    EXPECT_TRUE(sameBytes(renderOnDevice(input, c.extraPitch), want));
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(StrengthsSkinSizesPitches, OpenCLFrames,
                         ::testing::Values(FrameCase{100, 100, 0, 100, 0},
                                           FrameCase{99, 101, 8, 37, 0}, FrameCase{64, 3, 0, 0, 0},
                                           FrameCase{1, 1, 0, 99, 0},
                                           FrameCase{160, 120, 16, 100, 50},
                                           FrameCase{161, 97, 0, 80, 1}));

TEST_F(OpenCLEffectTest, EncipheredProgramRendersTheSame) {
    useProgram(OPENCL::encipherProgramText(bundledProgramText(), 0x5EED), true);
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(70, 0);
    const cv::Mat input = testPicture(90, 60, 6);
    EXPECT_TRUE(sameBytes(renderOnDevice(input), renderOnHost(input)));
}

TEST_F(OpenCLEffectTest, CustomFilterUsesTheChosenFile) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    update(100, 0);
    const cv::Mat input = testPicture(50, 30, 8);
    EXPECT_TRUE(sameBytes(renderOnDevice(input), input)) << "no file chosen yet";
    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + lutFile));
    update(100, 0);
    const cv::Mat mapped = renderOnDevice(input);
    EXPECT_TRUE(sameBytes(mapped, renderOnHost(input)));
    EXPECT_FALSE(sameBytes(mapped, input));
}

TEST_F(OpenCLEffectTest, SteadyPathIsUploadedOnce) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(64, 48, 9);
    const cv::Mat first = renderOnDevice(input);
    ASSERT_TRUE(sameBytes(first, renderOnHost(input)));
    // Another LUT written under the same name does not reach the device.
    writeLut("looks/cross/cross.cube", crossTalkCube(3));
    for (int frame = 0; frame < 2; ++frame) EXPECT_TRUE(sameBytes(renderOnDevice(input), first));
}

// As on every renderer, a frame whose skin cannot be found says so and renders
// without skin protection.
TEST_F(OpenCLEffectTest, MissingSegmentationPluginRendersWithoutProtection) {
    TempDir empty;
    host.util.paths[kQLXPathPluginFolder] = empty.path();
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 100);
    const cv::Mat input = testPicture(60, 40, 3);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(input), applied(input, lutFile)));
    EXPECT_EQ(host.util.log.count("tonekit::QLXLutEffect::Render:skin_segment failed."), 2);
}

TEST_F(OpenCLEffectTest, ProgramWithoutSkinKernelRendersWithoutProtection) {
    useProgram(programWithoutSkinKernel());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    EXPECT_EQ(host.util.log.count("tonekit::skinProtect kernel create failed"), 1);
    host.util.log.clear();
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = renderOnHost(input);
    update(100, 100);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(input), unprotected));
    EXPECT_EQ(host.util.log.lines().size(), 0u);
}

// ---- failures ---------------------------------------------------------------------

struct ProgramCase {
    const char* name;
    const char* text;  // null: the root description names a file that is not there
    bool device;       // the host lends its OpenCL device
    int namesFile;     // lines "Can't loadProgram" with the program file; -1: any
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

class UnusableProgram : public OpenCLEffectTest,
                        public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(UnusableProgram, FailsPreparationWithTheEffectMessage) {
    const ProgramCase& c = GetParam();
    if (c.text) useProgram(*c.text ? c.text : brokenProgram());
    if (!c.text) writeLut("root.conf", R"({"GUID": "ROOT-GUID", "OPENCL": "programs/none.cl"})");
    if (!c.device) host.gpu.devices.clear();
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    ASSERT_NE(makeEffect(kLookGuid, kOpenCLMode, &prepared), nullptr);
    EXPECT_EQ(prepared, kQLXFailed);
    const std::string file = c.text ? programFile : lutFolder() + "/programs/none.cl";
    const int named = host.util.log.count("tonekit::LUT Can't loadProgram: " + file);
    EXPECT_EQ(named, c.namesFile < 0 ? named : c.namesFile);
    EXPECT_EQ(host.util.log.count("Init LUT OpenCL Filter Failed."), 1);
    ASSERT_FALSE(context.resourceHints().empty());
    EXPECT_TRUE(context.resourceHints().back());
}

INSTANTIATE_TEST_SUITE_P(
    Programs, UnusableProgram,
    ::testing::Values(ProgramCase{"broken", "", true, 1},
                      ProgramCase{"not_opencl", "this is not OpenCL C\n", true, 1},
                      ProgramCase{"no_main", "__kernel void OTHER(int x) {}\n", true, 0},
                      ProgramCase{"missing_file", nullptr, true, 1},
                      ProgramCase{"no_device", "", false, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct HandleCase {
    const char* name;
    bool inputKnown, outputKnown, gpuHandles;
};

class UnknownFrameHandles : public OpenCLEffectTest,
                            public ::testing::WithParamInterface<HandleCase> {};

// A frame the GPU Device Suite has no handles for gives no image to render.
TEST_P(UnknownFrameHandles, FailTheFrameWithTheRenderMessage) {
    const HandleCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    auto in = uploadFrame(device, host.gpu, testPicture(32, 16, 1));
    auto out = filledFrame(device, host.gpu, 32, 16, 0, 0x5A);
    if (!c.inputKnown) host.gpu.frames.erase(in.get());
    if (!c.outputKnown) host.gpu.frames.erase(out.get());
    auto noHandleIn = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    auto noHandleOut = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    qlxhost::RenderContext frames(c.gpuHandles ? &in->frame() : noHandleIn.get(),
                                  c.gpuHandles ? &out->frame() : noHandleOut.get());
    EXPECT_EQ(gpuEffect->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(host.util.log.count("LUT OpenCL Render Failed."), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, UnknownFrameHandles,
                         ::testing::Values(HandleCase{"input", false, true, true},
                                           HandleCase{"output", true, false, true},
                                           HandleCase{"both", false, false, true},
                                           HandleCase{"null_gpu_handles", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
