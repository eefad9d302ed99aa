// Frames rendered through OpenCL by the built plugin, on the host kit's POCL
// device and OpenCL frames, byte for byte against the same plugin's CPU
// rendering of the same frames; and the OpenCL path's failures as a host sees
// them.
#include <KRPlatformOpenCL.h>

#include "effect/effect_fixture.h"
#include "opencl_frames.h"

namespace {

using namespace qlxtest;

constexpr std::uint32_t kCpuMode = 0, kOpenCLMode = 1;

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

    // Renders `input` through `target` on OpenCL frames; the output frame
    // starts as 0x5A bytes.
    cv::Mat renderOnDevice(QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                           int expected = kQLXSuccess) {
        auto in = uploadFrame(device, host.gpu, input, extraPitch);
        auto out = filledFrame(device, host.gpu, input.cols, input.rows, extraPitch, 0x5A);
        if (!in || !out) return cv::Mat();
        qlxhost::RenderContext frames(&in->frame(), &out->frame());
        EXPECT_EQ(target->Render(frames.qlx()), expected);
        return downloadFrame(*out);
    }

    // Renders `input` through `target` on host-memory frames.
    static cv::Mat renderOnHost(QLXEffect* target, const cv::Mat& input) {
        cv::Mat output(input.size(), CV_8UC4, cv::Scalar::all(0x5A));
        auto in =
            qlxhost::Frame::wrap(input.data, input.cols, input.rows, static_cast<int>(input.step));
        auto out = qlxhost::Frame::wrap(output.data, output.cols, output.rows,
                                        static_cast<int>(output.step));
        qlxhost::RenderContext frames(in.get(), out.get());
        EXPECT_EQ(target->Render(frames.qlx()), kQLXSuccess);
        return output;
    }

    qlxhost::OpenCLDevice device;
    QLXEffect* gpuEffect = nullptr;
    std::string programFile;
};

// ---- frames against the CPU path --------------------------------------------

struct FrameCase {
    int width, height, extraPitch, alpha, skin;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height << " +" << c.extraPitch << " alpha " << c.alpha << " skin "
        << c.skin;
}

class OpenCLFrames : public OpenCLEffectTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(OpenCLFrames, EqualTheCpuPath) {
    const FrameCase c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(c.alpha, c.skin);
    const cv::Mat input = testPicture(c.width, c.height, 21);
    const cv::Mat want = renderOnHost(cpuEffect, input);
    EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input, c.extraPitch), want));
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    StrengthsSkinSizesPitches, OpenCLFrames,
    ::testing::Values(FrameCase{100, 100, 0, 100, 0}, FrameCase{125, 80, 0, 50, 0},
                      FrameCase{99, 101, 8, 37, 0}, FrameCase{320, 181, 4, 100, 0},
                      FrameCase{64, 3, 0, 0, 0}, FrameCase{1, 1, 0, 99, 0},
                      FrameCase{160, 120, 0, 100, 100}, FrameCase{160, 120, 16, 100, 50},
                      FrameCase{160, 120, 0, 50, 50}, FrameCase{161, 97, 0, 80, 1}));

TEST_F(OpenCLEffectTest, SkinProtectionFollowsTheSegmentationPlugin) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = renderOnDevice(gpuEffect, input);
    update(100, 100);
    const cv::Mat protectedFrame = renderOnDevice(gpuEffect, input);
    EXPECT_TRUE(sameBytes(protectedFrame, renderOnHost(cpuEffect, input)));
    EXPECT_FALSE(sameBytes(protectedFrame, unprotected)) << "the picture must hold some skin";
}

TEST_F(OpenCLEffectTest, EncipheredProgramRendersTheSame) {
    useProgram(OPENCL::encipherProgramText(bundledProgramText(), 0x5EED), true);
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(70, 0);
    const cv::Mat input = testPicture(90, 60, 6);
    EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input), renderOnHost(cpuEffect, input)));
}

// ---- which LUT ------------------------------------------------------------------

TEST_F(OpenCLEffectTest, CustomFilterUsesTheChosenFile) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    update(100, 0);
    const cv::Mat input = testPicture(50, 30, 8);
    EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input), input)) << "no file chosen yet";
    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + lutFile));
    update(100, 0);
    const cv::Mat mapped = renderOnDevice(gpuEffect, input);
    EXPECT_TRUE(sameBytes(mapped, renderOnHost(cpuEffect, input)));
    EXPECT_FALSE(sameBytes(mapped, input));
}

TEST_F(OpenCLEffectTest, UnreadableLutPassesFramesThroughWithOneMessageEach) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    const std::string missing = resources.path() + "/gone.cube";
    context.set("lut3dPath", qlxhost::ParamAnswer::string(missing));
    update(100, 0);
    const cv::Mat input = testPicture(40, 20, 2);
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input), input));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: " + missing), 3);
}

TEST_F(OpenCLEffectTest, SteadyPathIsUploadedOnce) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(64, 48, 9);
    const cv::Mat first = renderOnDevice(gpuEffect, input);
    ASSERT_TRUE(sameBytes(first, renderOnHost(cpuEffect, input)));
    // Another LUT written under the same name does not reach the device.
    writeLut("looks/cross/cross.cube", crossTalkCube(3));
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input), first));
}

// ---- failures ---------------------------------------------------------------------

struct ProgramCase {
    const char* name;
    std::string (*text)();
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

std::string notOpenCL() {
    return "this is not OpenCL C\n";
}

class UnusableProgram : public OpenCLEffectTest,
                        public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(UnusableProgram, FailsPreparationWithBothMessages) {
    useProgram(GetParam().text());
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    QLXEffect* created = makeEffect(kLookGuid, kOpenCLMode, &prepared);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(prepared, kQLXFailed);
    EXPECT_EQ(host.util.log.count("tonekit::LUT Can't loadProgram: " + programFile), 1);
    EXPECT_EQ(host.util.log.count("Init LUT OpenCL Filter Failed."), 1);
    ASSERT_FALSE(context.resourceHints().empty());
    EXPECT_TRUE(context.resourceHints().back());
}

INSTANTIATE_TEST_SUITE_P(Programs, UnusableProgram,
                         ::testing::Values(ProgramCase{"broken", brokenProgram},
                                           ProgramCase{"not_opencl", notOpenCL}));

TEST_F(OpenCLEffectTest, ProgramWithoutMainFailsPreparationWithTheEffectMessageOnly) {
    useProgram("__kernel void OTHER(int x) {}\n");
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    ASSERT_NE(makeEffect(kLookGuid, kOpenCLMode, &prepared), nullptr);
    EXPECT_EQ(prepared, kQLXFailed);
    EXPECT_EQ(host.util.log.count("tonekit::"), 0);
    EXPECT_EQ(host.util.log.count("Init LUT OpenCL Filter Failed."), 1);
}

TEST_F(OpenCLEffectTest, MissingProgramFileFailsPreparation) {
    writeLut("root.conf", R"({"GUID": "ROOT-GUID", "NAME": "LUT", "OPENCL": "programs/none.cl"})");
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    ASSERT_NE(makeEffect(kLookGuid, kOpenCLMode, &prepared), nullptr);
    EXPECT_EQ(prepared, kQLXFailed);
    EXPECT_EQ(
        host.util.log.count("tonekit::LUT Can't loadProgram: " + lutFolder() + "/programs/none.cl"),
        1);
    EXPECT_EQ(host.util.log.count("Init LUT OpenCL Filter Failed."), 1);
}

TEST_F(OpenCLEffectTest, HostWithoutOpenCLDeviceFailsPreparation) {
    host.gpu.devices.clear();
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    ASSERT_NE(makeEffect(kLookGuid, kOpenCLMode, &prepared), nullptr);
    EXPECT_EQ(prepared, kQLXFailed);
    EXPECT_EQ(host.util.log.count("Init LUT OpenCL Filter Failed."), 1);
}

TEST_F(OpenCLEffectTest, ProgramWithoutSkinKernelRendersWithoutProtection) {
    useProgram(programWithoutSkinKernel());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    EXPECT_EQ(host.util.log.count("tonekit::skinProtect kernel create failed"), 1);
    host.util.log.clear();
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = renderOnHost(cpuEffect, input);
    update(100, 100);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(gpuEffect, input), unprotected));
    EXPECT_EQ(host.util.log.lines().size(), 0u);
}

struct HandleCase {
    const char* name;
    bool inputKnown, outputKnown;
};

void PrintTo(const HandleCase& c, std::ostream* os) {
    *os << c.name;
}

class UnknownFrameHandles : public OpenCLEffectTest,
                            public ::testing::WithParamInterface<HandleCase> {};

// A frame the GPU Device Suite has no handles for gives no image to render.
TEST_P(UnknownFrameHandles, FailTheFrameWithTheRenderMessage) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(32, 16, 1);
    auto in = uploadFrame(device, host.gpu, input);
    auto out = filledFrame(device, host.gpu, 32, 16, 0, 0x5A);
    if (!GetParam().inputKnown) host.gpu.frames.erase(in.get());
    if (!GetParam().outputKnown) host.gpu.frames.erase(out.get());
    qlxhost::RenderContext frames(&in->frame(), &out->frame());
    EXPECT_EQ(gpuEffect->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(host.util.log.count("LUT OpenCL Render Failed."), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, UnknownFrameHandles,
                         ::testing::Values(HandleCase{"input", false, true},
                                           HandleCase{"output", true, false},
                                           HandleCase{"both", false, false}));

TEST_F(OpenCLEffectTest, NullGpuHandlesFailTheFrame) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    auto in = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    auto out = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    qlxhost::RenderContext frames(in.get(), out.get());
    EXPECT_EQ(gpuEffect->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(host.util.log.count("LUT OpenCL Render Failed."), 1);
}

}  // namespace
