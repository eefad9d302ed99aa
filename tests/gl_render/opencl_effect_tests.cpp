// The OpenCL path of the built plugin on the host kit's POCL device and OpenCL
// frames: every colour, rounding edge and skin strength against the CPU path,
// which LUT and program it uses, and its failures as a host sees them. Its
// frames against the CPU path at large are in gl_render_e2e_tests.cpp.
#include <KRPlatformOpenCL.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "gl_render_fixture.h"
#include "opencl_frames.h"

namespace qlxgltest {
namespace {

using namespace qlxtest;

class OpenCLEffectTest : public RendererTest {
  protected:
    // An OpenCL effect and its CPU reference; with `lut`, of the custom-LUT
    // filter with that file chosen.
    void makeBoth(const std::string& lut = "", int alpha = 100) {
        RendererTest::makeBoth(lut.empty() ? kLookGuid : kCustomGuid, Kind::OpenCL);
        if (!lut.empty()) choose(lut, alpha);
    }
    void choose(const std::string& lut, int alpha = 100) {
        context.set("lut3dPath", qlxhost::ParamAnswer::string(lut));
        update(alpha, 0);
    }
    cv::Mat renderOnDevice(const cv::Mat& input) { return renderOn(Kind::OpenCL, target, input); }
    void expectCpuBytes(const cv::Mat& input) {
        EXPECT_TRUE(sameBytes(renderOnDevice(input), renderOnCpu(input)));
    }
};

// Every colour through the kinds of LUT the looks use, against the CPU.
struct ExhaustiveCase {
    const char* file;  // below the test data's LUT folder; empty: a bent LUT
    int lutSize, alpha;
};

class AllColours : public OpenCLEffectTest, public ::testing::WithParamInterface<ExhaustiveCase> {};

TEST_P(AllColours, EqualTheCpuPath) {
    const ExhaustiveCase& c = GetParam();
    std::string lut = std::string(QLX_TESTDATA_DIR) + "/luts/" + c.file;
    if (!*c.file) lut = writeLut("bent.cube", crossTalkCube(c.lutSize, 0.05));
    if (!std::ifstream(lut)) GTEST_SKIP() << "no test data at " << lut;
    ASSERT_NO_FATAL_FAILURE(makeBoth(lut, c.alpha));
    // 4096 x 4096 pixels: every 24-bit colour once; alpha bytes vary by row.
    cv::Mat input(4096, 4096, CV_8UC4);
    for (int y = 0; y < input.rows; ++y)
        for (int x = 0; x < input.cols; ++x)
            input.at<cv::Vec4b>(y, x) = cv::Vec4b(x & 255, (y << 4 | x >> 8) & 255, y >> 4,
                                                  static_cast<uchar>(y % 7 ? 255 : y));
    expectCpuBytes(input);
}

INSTANTIATE_TEST_SUITE_P(Luts, AllColours,
                         ::testing::Values(ExhaustiveCase{"", 9, 100}, ExhaustiveCase{"", 65, 45},
                                           ExhaustiveCase{"", 2, 100},
                                           ExhaustiveCase{"ocio_lustre_33x33x33.3dl", 33, 100},
                                           ExhaustiveCase{"openshot_noir_era.cube", 0, 100}));

// Results that land on or near the rounding and saturation edges: a size-2
// LUT whose every entry is one word, so pixels read that value exactly.
std::string cubeWordFor(float target) {
    float value = target / 255.0f;
    for (int step = 0; step < 64 && value * 255.0f != target; ++step)
        value = std::nextafter(value, value * 255.0f < target ? 1e30f : -1e30f);
    char word[32];
    std::snprintf(word, sizeof word, "%.9g", static_cast<double>(value));
    return word;
}

struct EdgeCase {
    const char* name;
    float target;      // the grid value, when `word` is empty
    const char* word;  // a literal entry word instead
};

class RoundingEdges : public OpenCLEffectTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(RoundingEdges, EqualTheCpuPath) {
    const EdgeCase& c = GetParam();
    const std::string word = *c.word ? c.word : cubeWordFor(c.target);
    std::string text = "LUT_3D_SIZE 2\n";
    for (int entry = 0; entry < 8; ++entry) text += word + " " + word + " " + word + "\n";
    ASSERT_NO_FATAL_FAILURE(makeBoth(writeLut("edge.cube", text)));
    expectCpuBytes(testPicture(64, 4, 17));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundingEdges,
    ::testing::Values(EdgeCase{"zero", 0.0f, ""}, EdgeCase{"one", 1.0f, ""},
                      EdgeCase{"even_100", 100.0f, ""}, EdgeCase{"odd_101", 101.0f, ""},
                      EdgeCase{"above_100", 100.2f, ""},
                      EdgeCase{"just_below_100", std::nextafter(100.0f, 0.0f), ""},
                      EdgeCase{"just_above_100", std::nextafter(100.0f, 200.0f), ""},
                      EdgeCase{"tiny", 1e-30f, ""}, EdgeCase{"small", 1e-16f, ""},
                      EdgeCase{"half_spacing_at_half", 0x1p-54f, ""},
                      EdgeCase{"above_half_spacing_at_half", 0x1.000002p-54f, ""},
                      EdgeCase{"below_exact_sums", 0x1p-31f, ""}, EdgeCase{"minus_half", -0.5f, ""},
                      EdgeCase{"minus_one", -1.0f, ""}, EdgeCase{"minus_3", -3.0f, ""},
                      EdgeCase{"above_254", 254.5f, ""}, EdgeCase{"odd_255", 255.0f, ""},
                      EdgeCase{"even_256", 256.0f, ""}, EdgeCase{"over_300", 300.0f, ""},
                      EdgeCase{"huge", 3e38f, ""}, EdgeCase{"infinite", 0.0f, "+inf"},
                      EdgeCase{"minus_infinite", 0.0f, "-inf"},
                      EdgeCase{"not_a_number", 0.0f, "+nan"}),
    [](const auto& info) { return std::string(info.param.name); });

// The device's 0..255 skin scale rounds as the CPU's, for every percent.
TEST_F(OpenCLEffectTest, EverySkinStrengthEqualsTheCpuPath) {
    ASSERT_NO_FATAL_FAILURE(makeBoth());
    const cv::Mat input = testPicture(96, 64, 5);
    for (int skin = 1; skin <= 100; ++skin) {
        update(100, skin);
        ASSERT_TRUE(sameBytes(renderOnDevice(input), renderOnCpu(input))) << skin << "%";
    }
}

TEST_F(OpenCLEffectTest, UnreadableLutPassesFramesAndIsTriedAgainEachFrame) {
    const std::string later = resources.path() + "/later.cube";
    ASSERT_NO_FATAL_FAILURE(makeBoth(later));
    const cv::Mat input = testPicture(20, 12, 10);
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(sameBytes(renderOnDevice(input), input));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: " + later), 3);
    // Unlike the CPU path, the file is read again once it appears.
    resources.write("later.cube", crossTalkCube());
    EXPECT_TRUE(sameBytes(renderOnDevice(input), applied(input, later)));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: "), 3);
}

TEST_F(OpenCLEffectTest, BrokenLutAfterAGoodOnePassesFramesAndKeepsTheGoodTables) {
    const cv::Mat input = testPicture(20, 12, 12);
    ASSERT_NO_FATAL_FAILURE(makeBoth(writeLut("good.cube", crossTalkCube(5, 0.05))));
    expectCpuBytes(input);
    choose(writeLut("bad.cube", "LUT_3D_SIZE 3\n0 0 0\n"));
    EXPECT_TRUE(sameBytes(renderOnDevice(input), input));
    // Back to the first file: its tables are still on the device and are used
    // with their own size, whatever the failed load left behind.
    choose(lutFolder() + "/good.cube");
    expectCpuBytes(input);
}

TEST_F(OpenCLEffectTest, EncipheredProgramRendersTheSame) {
    useProgram("lut.cl", OPENCL::encipherProgramText(bundledProgramText(), 0x5EED), true);
    ASSERT_NO_FATAL_FAILURE(makeBoth());
    update(70, 0);
    expectCpuBytes(testPicture(90, 60, 6));
}

TEST_F(OpenCLEffectTest, SteadyPathIsUploadedOnce) {
    ASSERT_NO_FATAL_FAILURE(makeBoth());
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
    ASSERT_NO_FATAL_FAILURE(makeBoth());
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
    ASSERT_NO_FATAL_FAILURE(makeBoth());
    update(100, 0);
    auto in = uploadFrame(openCL, host.gpu, testPicture(32, 16, 1));
    auto out = uploadFrame(openCL, host.gpu, testPicture(32, 16, 2));
    if (!c.inputKnown) host.gpu.removeFrame(in.get());
    if (!c.outputKnown) host.gpu.removeFrame(out.get());
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
