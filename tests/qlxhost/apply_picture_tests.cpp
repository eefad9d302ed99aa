// qlxhost apply on pictures: the written file holds exactly what the plugin
// renders when driven directly through the host kit.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "host_render.h"
#include "kit/host_session.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

// A LUT that crosses the channels, so any mix-up of channel order shows.
std::string crossingCube(int n) {
    std::string text = "TITLE \"crossing\"\nLUT_3D_SIZE " + std::to_string(n) + "\n";
    char line[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const double R = r / (n - 1.0), G = g / (n - 1.0), B = b / (n - 1.0);
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", 0.7 * G + 0.3 * R * R,
                              0.9 * B + 0.1 * R, 1.0 - 0.8 * R);
                text += line;
            }
    return text;
}

enum class Select { ByName, ByGuid, ByLutFile };
enum class Layout { Bgra8, Grey8, Bgr16 };

struct PictureCase {
    const char* name;
    Select select;
    int look;  // index into the bundled look folders
    int alpha;
    int skinProtect;
    Layout layout;
    const char* extension;
};

void PrintTo(const PictureCase& c, std::ostream* os) {
    *os << c.name;
}

// The input file's pixels and what the plugin sees of them (8-bit BGRA).
struct Input {
    cv::Mat file;
    cv::Mat seen;
};

Input makeInput(Layout layout, unsigned seed) {
    const cv::Mat bgra = makePicture(53, 37, seed);
    Input in;
    if (layout == Layout::Bgra8) {
        in.file = bgra;
        in.seen = bgra;
    } else if (layout == Layout::Grey8) {
        cv::extractChannel(bgra, in.file, 2);
        cv::cvtColor(in.file, in.seen, cv::COLOR_GRAY2BGRA);
    } else {
        in.file.create(bgra.rows, bgra.cols, CV_16UC3);
        in.seen.create(bgra.rows, bgra.cols, CV_8UC4);
        cv::RNG random(seed);
        for (int y = 0; y < bgra.rows; ++y)
            for (int x = 0; x < bgra.cols; ++x)
                for (int c = 0; c < 4; ++c) {
                    const int v = c < 3 ? random.uniform(0, 65536) : 65535;
                    if (c < 3) in.file.at<cv::Vec3w>(y, x)[c] = static_cast<ushort>(v);
                    in.seen.at<cv::Vec4b>(y, x)[c] = static_cast<uchar>((v + 128) / 257);
                }
    }
    return in;
}

// What the file should hold, from the plugin's 8-bit BGRA result.
cv::Mat expectedFile(const cv::Mat& rendered, Layout layout) {
    if (layout == Layout::Bgra8) return rendered;
    cv::Mat bgr;
    cv::cvtColor(rendered, bgr, cv::COLOR_BGRA2BGR);
    if (layout == Layout::Bgr16) bgr.convertTo(bgr, CV_16U, 257);
    return bgr;
}

class ApplyPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(ApplyPicture, WritesWhatTheKitRenders) {
    const PictureCase& c = GetParam();
    const std::vector<std::string> looks = bundledLookFolders();
    ASSERT_GT(looks.size(), static_cast<std::size_t>(c.look)) << "bundled looks missing";
    qlxtest::TempDir dir;
    const Input input = makeInput(c.layout, 7 + c.look + c.alpha);
    const std::string in = dir.path() + "/in" + c.extension;
    const std::string out = dir.path() + "/out" + c.extension;
    ASSERT_TRUE(cv::imwrite(in, input.file));

    DirectRender job{bundledLutFolder(), "", "", c.alpha, c.skinProtect};
    std::vector<std::string> args{"apply", "--alpha", std::to_string(c.alpha), "--skin-protect",
                                  std::to_string(c.skinProtect)};
    if (c.select == Select::ByLutFile) {
        job.lutFile = dir.write("crossing.cube", crossingCube(7));
        args.insert(args.end(), {"--lut", job.lutFile});
    } else {
        job.filterFolder = looks[c.look];
        qlxhost::HostSession session;
        ASSERT_TRUE(session.start({QLX_PLUGIN_PATH, bundledLutFolder(), {}, true}));
        qlxhost::FilterDescription look;
        ASSERT_EQ(session.registerFolder(job.filterFolder, look), 0);
        args.insert(args.end(), {"--filter", c.select == Select::ByName ? look.name : look.guid});
    }
    args.insert(args.end(), {in, out});

    const ProgramResult run = runQlxhost(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(out), std::string::npos) << run.out;
    const cv::Mat written = cv::imread(out, cv::IMREAD_UNCHANGED);
    const cv::Mat expected = expectedFile(renderThroughKit(job, input.seen), c.layout);
    ASSERT_EQ(written.type(), expected.type());
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_EQ(cv::norm(written, expected, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::norm(written, expectedFile(input.seen, c.layout), cv::NORM_INF), 0.0)
        << "the look changed nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ApplyPicture,
    ::testing::Values(
        PictureCase{"PngByName", Select::ByName, 0, 100, 0, Layout::Bgra8, ".png"},
        PictureCase{"PngByGuidHalfStrength", Select::ByGuid, 1, 37, 0, Layout::Bgra8, ".png"},
        PictureCase{"PngLutFile", Select::ByLutFile, 0, 100, 0, Layout::Bgra8, ".png"},
        PictureCase{"PngLutFileWeak", Select::ByLutFile, 0, 15, 0, Layout::Bgra8, ".png"},
        PictureCase{"PngSkinProtected", Select::ByName, 2, 100, 80, Layout::Bgra8, ".png"},
        PictureCase{"GreyPngBecomesColour", Select::ByGuid, 3, 90, 0, Layout::Grey8, ".png"},
        PictureCase{"Tiff16ByName", Select::ByName, 4, 60, 0, Layout::Bgr16, ".tiff"},
        PictureCase{"Png16LutFile", Select::ByLutFile, 0, 100, 0, Layout::Bgr16, ".png"}),
    [](const auto& info) { return std::string(info.param.name); });

struct CompareCase {
    const char* mode;
    int width;
};

class ApplyCompare : public ::testing::TestWithParam<CompareCase> {};

TEST_P(ApplyCompare, PutsTheInputBesideTheResult) {
    qlxtest::TempDir dir;
    const cv::Mat input = makePicture(GetParam().width, 20, 3);
    const std::string in = dir.path() + "/in.png", out = dir.path() + "/out.png";
    ASSERT_TRUE(cv::imwrite(in, input));
    const std::string lut = dir.write("crossing.cube", crossingCube(5));
    const ProgramResult run =
        runQlxhost({"apply", "--lut", lut, "--compare", GetParam().mode, in, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const cv::Mat result = cv::imread(out, cv::IMREAD_UNCHANGED);
    const cv::Mat compare = cv::imread(dir.path() + "/out.compare.png", cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(compare.empty()) << run.out;
    const int w = input.cols;
    if (std::string(GetParam().mode) == "side") {
        ASSERT_EQ(compare.size(), cv::Size(2 * w, input.rows));
        EXPECT_EQ(cv::norm(compare.colRange(0, w), input, cv::NORM_INF), 0.0);
        EXPECT_EQ(cv::norm(compare.colRange(w, 2 * w), result, cv::NORM_INF), 0.0);
    } else {
        ASSERT_EQ(compare.size(), input.size());
        const int half = w / 2;  // a two-pixel white line sits at half - 1 and half
        EXPECT_EQ(
            cv::norm(compare.colRange(0, half - 1), input.colRange(0, half - 1), cv::NORM_INF),
            0.0);
        EXPECT_EQ(
            cv::norm(compare.colRange(half + 1, w), result.colRange(half + 1, w), cv::NORM_INF),
            0.0);
        EXPECT_EQ(cv::countNonZero(compare.colRange(half - 1, half + 1).reshape(1) != 255), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ApplyCompare,
                         ::testing::Values(CompareCase{"side", 31}, CompareCase{"split", 40},
                                           CompareCase{"split", 33}));

TEST(ApplyJpeg, WritesADecodablePictureOfTheSameSize) {
    qlxtest::TempDir dir;
    const cv::Mat input = makePicture(64, 48, 9);
    const std::string in = dir.path() + "/in.jpg", out = dir.path() + "/out.jpeg";
    cv::Mat bgr;
    cv::cvtColor(input, bgr, cv::COLOR_BGRA2BGR);
    ASSERT_TRUE(cv::imwrite(in, bgr));
    const std::string lut = dir.write("crossing.cube", crossingCube(5));
    const ProgramResult run = runQlxhost({"apply", "--lut", lut, in, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const cv::Mat written = cv::imread(out, cv::IMREAD_UNCHANGED);
    EXPECT_EQ(written.type(), CV_8UC3);
    EXPECT_EQ(written.size(), input.size());
}

}  // namespace
}  // namespace qlxhosttest

namespace qlxhosttest {
namespace {

struct RendererCase {
    const char* renderer;
    double largestDifference;  // from the CPU render, in 8-bit levels
};

class ApplyRenderer : public ::testing::TestWithParam<RendererCase> {};

// The OpenCL program computes exactly what the CPU renderer does; the OpenGL
// effect interpolates in the shader's floating point, so it agrees closely.
TEST_P(ApplyRenderer, AgreesWithTheCpuRenderer) {
    qlxtest::TempDir dir;
    const cv::Mat input = makePicture(61, 43, 5);
    const std::string in = dir.path() + "/in.png", out = dir.path() + "/out.png";
    ASSERT_TRUE(cv::imwrite(in, input));
    DirectRender job{bundledLutFolder(), "", "", 80, 0};
    job.lutFile = dir.write("crossing.cube", crossingCube(9));
    const ProgramResult run = runQlxhost({"apply", "--lut", job.lutFile, "--alpha", "80",
                                          "--renderer", GetParam().renderer, in, out});
    if (run.exitCode != 0 && run.err.find("not available in this build") != std::string::npos) {
        GTEST_SKIP() << "renderer not in this build yet: " << run.err;
    }
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const cv::Mat written = cv::imread(out, cv::IMREAD_UNCHANGED);
    const cv::Mat cpu = renderThroughKit(job, input);
    ASSERT_EQ(written.size(), cpu.size());
    cv::Mat difference;
    cv::absdiff(written, cpu, difference);
    double largest = 0;
    cv::minMaxLoc(difference.reshape(1), nullptr, &largest);
    EXPECT_LE(largest, GetParam().largestDifference);
    EXPECT_LT(cv::mean(difference)[0] + cv::mean(difference)[1] + cv::mean(difference)[2], 3.0);
}

INSTANTIATE_TEST_SUITE_P(Renderers, ApplyRenderer,
                         ::testing::Values(RendererCase{"cpu", 0}, RendererCase{"opengl", 3},
                                           RendererCase{"opencl", 0}),
                         [](const auto& info) { return std::string(info.param.renderer); });

}  // namespace
}  // namespace qlxhosttest
