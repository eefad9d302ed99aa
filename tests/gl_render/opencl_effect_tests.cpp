// The OpenCL path of the built plugin on the host kit's POCL device and OpenCL
// frames: its program files, LUT uploads and frame handles as a host sees them.
// Its frames against the CPU path are in gl_render_e2e_tests.cpp.
#include <KRPlatformOpenCL.h>

#include "gl_render_fixture.h"
#include "opencl_render/opencl_frames.h"

namespace qlxgltest {
namespace {

using namespace qlxtest;

class OpenCLEffectTest : public RendererTest {
  protected:
    void makeBoth(const char* guid) { RendererTest::makeBoth(guid, Kind::OpenCL); }
    cv::Mat renderOnDevice(const cv::Mat& input) { return renderOn(Kind::OpenCL, target, input); }
};

TEST_F(OpenCLEffectTest, EncipheredProgramRendersTheSame) {
    useProgram("lut.cl", OPENCL::encipherProgramText(bundledProgramText(), 0x5EED), true);
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(70, 0);
    const cv::Mat input = testPicture(90, 60, 6);
    EXPECT_TRUE(sameBytes(renderOnDevice(input), renderOnCpu(input)));
}

TEST_F(OpenCLEffectTest, SteadyPathIsUploadedOnce) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(64, 48, 9);
    const cv::Mat first = renderOnDevice(input);
    ASSERT_TRUE(sameBytes(first, renderOnCpu(input)));
    // Another LUT written under the same name does not reach the device.
    writeLut("looks/cross/cross.cube", crossTalkCube(3));
    for (int frame = 0; frame < 2; ++frame) EXPECT_TRUE(sameBytes(renderOnDevice(input), first));
}

TEST_F(OpenCLEffectTest, ProgramWithoutSkinKernelRendersWithoutProtection) {
    useProgram("lut.cl", programWithoutSkinKernel());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    EXPECT_EQ(host.util.log.count("tonekit::skinProtect kernel create failed"), 1);
    host.util.log.clear();
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = renderOnCpu(input);
    update(100, 100);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(input), unprotected));
    EXPECT_EQ(host.util.log.lines().size(), 0u);
}

struct ProgramCase {
    const char* name;
    const char* text;  // null: the root description names a file that is not there
    bool device;       // the host lends its OpenCL device
    int namesFile;     // lines "Can't loadProgram" with the program file; -1: any
};

class UnusableProgram : public OpenCLEffectTest,
                        public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(UnusableProgram, FailsPreparationWithTheEffectMessage) {
    const ProgramCase& c = GetParam();
    if (c.text) useProgram("lut.cl", *c.text ? c.text : brokenProgram());
    if (!c.text) writeLut("root.conf", R"({"GUID": "ROOT-GUID", "OPENCL": "programs/none.cl"})");
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(c.device ? Kind::OpenCL : Kind::Cpu));
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = 0;
    ASSERT_NE(makeEffect(kLookGuid, 1, &prepared), nullptr);
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
    auto in = uploadFrame(openCL, host.gpu, testPicture(32, 16, 1));
    auto out = filledFrame(openCL, host.gpu, 32, 16, 0, 0x5A);
    if (!c.inputKnown) host.gpu.frames.erase(in.get());
    if (!c.outputKnown) host.gpu.frames.erase(out.get());
    auto noHandleIn = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    auto noHandleOut = qlxhost::Frame::gpu(nullptr, 16, 16, 64);
    qlxhost::RenderContext frames(c.gpuHandles ? &in->frame() : noHandleIn.get(),
                                  c.gpuHandles ? &out->frame() : noHandleOut.get());
    EXPECT_EQ(target->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(host.util.log.count("LUT OpenCL Render Failed."), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, UnknownFrameHandles,
                         ::testing::Values(HandleCase{"input", false, true, true},
                                           HandleCase{"output", true, false, true},
                                           HandleCase{"both", false, false, true},
                                           HandleCase{"null_gpu_handles", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlxgltest
