// The OpenCL renderer on the POCL device, driven directly: its frames against
// the CPU renderer's for the same settings (exhaustively where it counts),
// which program and LUT it uses, and its answers to bad input.
#include <KRPlatformOpenCL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "catalogue/filter_info.h"
#include "common/process_state.h"
#include "effect/effect_fixture.h"
#include "opencl_frames.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/opencl/opencl_lut_renderer.h"

namespace {

using qlxtest::downloadFrame;
using qlxtest::filledFrame;
using qlxtest::kCustomGuid;
using qlxtest::kLookGuid;
using qlxtest::sameBytes;
using qlxtest::uploadFrame;

constexpr OPENCL::_image_format kBgra8{0x10B6, 0x10D2};

// A .CUBE LUT of size n that bends and crosses the channels and, with
// `overshoot`, leaves the 0..1 range, so every tetrahedron, the rounding and
// the saturation all matter.
std::string bentCube(int n, double overshoot = 0.0) {
    std::ostringstream text;
    text.precision(9);
    text << "LUT_3D_SIZE " << n << "\n";
    const double step = 1.0 / (n - 1);
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                text << (r * step) * (r * step) * 0.9 + b * step * 0.1 - overshoot << ' '
                     << g * step * 0.8 + r * step * 0.15 + overshoot << ' ' << 1.0 - b * step * 0.7
                     << '\n';
    return text.str();
}

// BGRA pixels of every kind: noise, ramps, and alpha bytes that are often 255.
cv::Mat randomPicture(int width, int height, unsigned seed) {
    cv::Mat picture(height, width, CV_8UC4);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at<cv::Vec4b>(y, x) = cv::Vec4b(
                static_cast<uchar>(random()),
                static_cast<uchar>((x * 255) / std::max(1, width - 1)),
                static_cast<uchar>(random()), static_cast<uchar>(random() % 3 ? 255 : random()));
    return picture;
}

// A skin mask whose fourth bytes take every kind of value, 0 included.
cv::Mat randomMask(int width, int height, unsigned seed) {
    cv::Mat mask(height, width, CV_8UC4);
    std::mt19937 random(seed);
    for (auto it = mask.begin<cv::Vec4b>(); it != mask.end<cv::Vec4b>(); ++it)
        *it = cv::Vec4b(static_cast<uchar>(random()), 0, 0,
                        static_cast<uchar>(random() % 4 == 0 ? 0 : random()));
    return mask;
}

class OpenCLRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!device.open()) GTEST_SKIP() << "no OpenCL device: " << device.error();
        ASSERT_TRUE(OpenCLManager::GetIns()->RegisterOpenclContext(
            device.context(), device.device(), device.queue(), nullptr, device.platform()));
        programs = OpenCLManager::GetIns()->GetOpenclProgramManager();
        memory = OpenCLManager::GetIns()->GetOpenclMemManager();
        qlx::suiteTable().hostUtil = host.util.qlx();
        lutFile = folder.write("bent.cube", bentCube(9, 0.05));
    }
    void TearDown() override {
        // Renderers hand their memory back to the manager, so they go first.
        renderers.clear();
        OpenCLManager::Release();
        qlx::suiteTable().hostUtil = nullptr;
    }

    // A renderer of the look (or `guid`) filter, prepared unless told.
    NLEOpenCLLut& makeRenderer(const std::string& lut, const char* guid = kLookGuid,
                               const std::string& program = qlxtest::bundledProgramPath()) {
        renderers.push_back(std::make_unique<NLEOpenCLLut>(description(program, lut, ""),
                                                           description("", "", guid), lut));
        EXPECT_EQ(renderers.back()->Init(programs, memory), 0);
        return *renderers.back();
    }

    static std::shared_ptr<NLEFilterInfo> description(const std::string& program,
                                                      const std::string& lut,
                                                      const std::string& guid) {
        auto info = std::make_shared<NLEFilterInfo>();
        info->setOpenCLProgramPath(program);
        info->setLutPath(lut);
        info->setGuid(guid);
        return info;
    }

    OPENCL::openclMemory* attach(qlxhost::OpenCLFrame& frame) {
        OPENCL::openclMemory* image = nullptr;
        memory->AttachOpenCLMem(frame.image(), OPENCL::Image2D, kBgra8,
                                static_cast<std::uint32_t>(frame.width()),
                                static_cast<std::uint32_t>(frame.height()), nullptr, 0, &image);
        return image;
    }

    // Renders `input` on the device into an output prefilled with 0x5A.
    cv::Mat renderOnDevice(NLEOpenCLLut& renderer, const cv::Mat& input, int extraPitch = 0,
                           const qlx::SkinMask* skin = nullptr) {
        auto in = uploadFrame(device, host.gpu, input, extraPitch);
        auto out = filledFrame(device, host.gpu, input.cols, input.rows, extraPitch, 0x5A);
        if (!in || !out) return cv::Mat();
        EXPECT_EQ(renderer.Render(attach(*in), attach(*out), skin), 0);
        return downloadFrame(*out);
    }

    // The CPU renderer's frame for the same settings.
    static cv::Mat renderOnCpu(const std::string& lut, int alpha, const cv::Mat& input,
                               const qlx::SkinMask* skin = nullptr) {
        NLEColorLut3dAdjustEffect cpu(description("", "", kLookGuid), lut);
        cpu.update(qlx::LutSettings::withAlpha(alpha));
        cv::Mat out(input.size(), CV_8UC4);
        EXPECT_EQ(cpu.Render(out.data, out.cols, out.rows, static_cast<int>(out.step), input.data,
                             input.cols, input.rows, static_cast<int>(input.step), skin),
                  0);
        return out;
    }

    // `renderer` gives the CPU renderer's bytes for a random picture.
    void expectCpuBytes(NLEOpenCLLut& renderer, const std::string& lut) {
        const cv::Mat input = randomPicture(20, 12, 12);
        EXPECT_TRUE(sameBytes(renderOnDevice(renderer, input), renderOnCpu(lut, 100, input)));
    }

    qlxtest::TempDir folder;
    qlxhost::Host host;
    qlxhost::OpenCLDevice device;
    OPENCL::openclProgramManager* programs = nullptr;
    OPENCL::openclMemManager* memory = nullptr;
    std::vector<std::unique_ptr<NLEOpenCLLut>> renderers;
    std::string lutFile;
};

// ---- frames against the CPU renderer ----------------------------------------

struct FrameCase {
    int lutSize;
    double overshoot;
    int alpha, skin;
    int width, height, extraPitch;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << "N" << c.lutSize << " overshoot " << c.overshoot << " alpha " << c.alpha << " skin "
        << c.skin << " " << c.width << "x" << c.height << " +" << c.extraPitch;
}

class DeviceFrames : public OpenCLRendererTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(DeviceFrames, EqualTheCpuRenderer) {
    const FrameCase c = GetParam();
    const std::string lut = folder.write("case.cube", bentCube(c.lutSize, c.overshoot));
    NLEOpenCLLut& renderer = makeRenderer(lut);
    renderer.update(qlx::LutSettings::withAlpha(c.alpha));
    const cv::Mat input = randomPicture(c.width, c.height, 40u + c.width);
    const qlx::SkinMask skin{randomMask(c.width, c.height, 7), c.skin};
    const cv::Mat want = renderOnCpu(lut, c.alpha, input, &skin);
    EXPECT_TRUE(sameBytes(renderOnDevice(renderer, input, c.extraPitch, &skin), want));
    EXPECT_EQ(host.util.log.lines().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    StrengthsSkinSizes, DeviceFrames,
    ::testing::Values(FrameCase{9, 0.0, 100, 0, 67, 45, 0}, FrameCase{9, 0.05, 50, 0, 64, 64, 12},
                      FrameCase{2, 0.0, 37, 0, 31, 7, 0}, FrameCase{65, 0.02, 100, 0, 128, 33, 4},
                      FrameCase{33, 0.0, 1, 0, 20, 20, 0}, FrameCase{17, 0.1, 99, 0, 1, 1, 0},
                      FrameCase{9, 0.05, 0, 100, 40, 30, 0},
                      FrameCase{9, 0.05, 100, 100, 40, 30, 8},
                      FrameCase{9, 0.0, 100, 50, 77, 13, 0}, FrameCase{5, 0.05, 63, 1, 50, 50, 0},
                      FrameCase{33, 0.02, 80, 33, 96, 54, 0},
                      FrameCase{9, 0.0, 100, 99, 17, 9, 0}));

// Every skin strength: the device's 0..255 scale equals the CPU's rounding.
class SkinScales : public OpenCLRendererTest, public ::testing::WithParamInterface<int> {};

TEST_P(SkinScales, EqualTheCpuRenderer) {
    NLEOpenCLLut& renderer = makeRenderer(lutFile);
    // One row per mask weight, so every k = mul(s, m) is met.
    const cv::Mat input = randomPicture(64, 256, 3);
    qlx::SkinMask skin{cv::Mat(256, 64, CV_8UC4), GetParam()};
    for (int y = 0; y < skin.pixels.rows; ++y) skin.pixels.row(y).setTo(cv::Scalar(0, 0, 0, y));
    EXPECT_TRUE(sameBytes(renderOnDevice(renderer, input, 0, &skin),
                          renderOnCpu(lutFile, 100, input, &skin)));
}

INSTANTIATE_TEST_SUITE_P(AllPercent, SkinScales, ::testing::Range(1, 101, 3));

// Every colour through the bundled looks' kind of LUTs, against the CPU.
struct ExhaustiveCase {
    const char* file;  // below the test data's LUT folder; empty: the bent LUT
    int alpha;
};

void PrintTo(const ExhaustiveCase& c, std::ostream* os) {
    *os << (*c.file ? c.file : "bent LUT") << " alpha " << c.alpha;
}

class AllColours : public OpenCLRendererTest,
                   public ::testing::WithParamInterface<ExhaustiveCase> {};

TEST_P(AllColours, EqualTheCpuRenderer) {
    std::string lut = lutFile;
    if (*GetParam().file) {
        lut = std::string(QLX_TESTDATA_DIR) + "/luts/" + GetParam().file;
        if (!std::ifstream(lut)) GTEST_SKIP() << "no test data at " << lut;
    }
    NLEOpenCLLut& renderer = makeRenderer(lut);
    renderer.update(qlx::LutSettings::withAlpha(GetParam().alpha));
    // 4096 x 4096 pixels: every 24-bit colour once; alpha bytes vary by row.
    cv::Mat input(4096, 4096, CV_8UC4);
    for (int y = 0; y < input.rows; ++y)
        for (int x = 0; x < input.cols; ++x) {
            const int colour = y * 4096 + x;
            input.at<cv::Vec4b>(y, x) =
                cv::Vec4b(static_cast<uchar>(colour), static_cast<uchar>(colour >> 8),
                          static_cast<uchar>(colour >> 16), static_cast<uchar>(y % 7 ? 255 : y));
        }
    const cv::Mat want = renderOnCpu(lut, GetParam().alpha, input);
    const cv::Mat got = renderOnDevice(renderer, input);
    ASSERT_FALSE(got.empty());
    cv::Mat differs;
    cv::compare(got.reshape(1), want.reshape(1), differs, cv::CMP_NE);
    EXPECT_EQ(cv::countNonZero(differs), 0) << "bytes that differ from the CPU renderer";
}

INSTANTIATE_TEST_SUITE_P(Luts, AllColours,
                         ::testing::Values(ExhaustiveCase{"", 100}, ExhaustiveCase{"", 45},
                                           ExhaustiveCase{"ocio_lustre_33x33x33.3dl", 100},
                                           ExhaustiveCase{"openshot_noir_era.cube", 100}));

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

void PrintTo(const EdgeCase& c, std::ostream* os) {
    *os << c.name;
}

class RoundingEdges : public OpenCLRendererTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(RoundingEdges, EqualTheCpuRenderer) {
    const EdgeCase& c = GetParam();
    const std::string word = *c.word ? c.word : cubeWordFor(c.target);
    std::string text = "LUT_3D_SIZE 2\n";
    for (int entry = 0; entry < 8; ++entry) text += word + " " + word + " " + word + "\n";
    const std::string lut = folder.write("edge.cube", text);
    expectCpuBytes(makeRenderer(lut), lut);
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
                      EdgeCase{"not_a_number", 0.0f, "+nan"}));

// ---- which program, which LUT ---------------------------------------------------

TEST_F(OpenCLRendererTest, TheFirstPreparedProgramServesEveryInstance) {
    makeRenderer(lutFile);
    // A second instance naming a file that does not exist reuses the program "LUT".
    expectCpuBytes(makeRenderer(lutFile, kLookGuid, folder.path() + "/none.cl"), lutFile);
}

TEST_F(OpenCLRendererTest, UnreadableLutPassesFramesAndIsTriedAgainEachFrame) {
    const std::string path = folder.path() + "/later.cube";
    NLEOpenCLLut& renderer = makeRenderer(path);
    const cv::Mat input = randomPicture(20, 12, 10);
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(sameBytes(renderOnDevice(renderer, input), input));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: " + path), 3);
    // Unlike the CPU renderer, the file is read again once it appears.
    folder.write("later.cube", bentCube(9));
    expectCpuBytes(renderer, path);
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: "), 3);
}

TEST_F(OpenCLRendererTest, BrokenLutAfterAGoodOnePassesFramesAndKeepsTheGoodTables) {
    NLEOpenCLLut& renderer = makeRenderer(lutFile, kCustomGuid);
    renderer.update(qlx::LutSettings::withAlpha(100, lutFile));
    expectCpuBytes(renderer, lutFile);
    const std::string bad = folder.write("bad.cube", "LUT_3D_SIZE 3\n0 0 0\n");
    renderer.update(qlx::LutSettings::withAlpha(100, bad));
    const cv::Mat input = randomPicture(20, 12, 12);
    EXPECT_TRUE(sameBytes(renderOnDevice(renderer, input), input));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: " + bad), 1);
    // Back to the first file: its tables are still on the device and are used
    // with their own size, whatever the failed load left behind.
    renderer.update(qlx::LutSettings::withAlpha(100, lutFile));
    expectCpuBytes(renderer, lutFile);
}

// ---- bad input ------------------------------------------------------------------

TEST_F(OpenCLRendererTest, NullImagesAnswerNoInputOrFailTheRun) {
    NLEOpenCLLut& renderer = makeRenderer(lutFile);
    auto in = uploadFrame(device, host.gpu, randomPicture(8, 8, 1));
    EXPECT_EQ(renderer.Render(nullptr, attach(*in)), 6);
    EXPECT_EQ(renderer.Render(attach(*in), nullptr), 1);
    // Passing the frame through ignores the missing output.
    EXPECT_EQ(makeRenderer(lutFile, kCustomGuid).Render(attach(*in), nullptr), 0);
}

class UnusableMask : public OpenCLRendererTest,
                     public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(UnusableMask, FallsBackToTheMainKernelWithOneMessage) {
    NLEOpenCLLut& renderer = makeRenderer(lutFile);
    const auto [width, height] = GetParam();
    qlx::SkinMask skin{cv::Mat(), 100};
    if (width > 0) skin.pixels = cv::Mat(height, width, CV_8UC4, cv::Scalar::all(255));
    const cv::Mat input = randomPicture(30, 20, 13);
    EXPECT_TRUE(
        sameBytes(renderOnDevice(renderer, input, 0, &skin), renderOnCpu(lutFile, 100, input)));
    EXPECT_EQ(host.util.log.count("tonekit::renderer skin protect task failed"), 1);
}

INSTANTIATE_TEST_SUITE_P(EmptyNarrowShort, UnusableMask,
                         ::testing::Values(std::pair{0, 0}, std::pair{29, 20}, std::pair{30, 19}));

}  // namespace
