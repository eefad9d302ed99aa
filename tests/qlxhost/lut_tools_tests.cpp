// qlxhost's LUT tools end to end: probe answers as the plugin renders, convert
// turns every real file OpenColorIO reads into one the plugin loads and renders
// like OpenColorIO, and bad input leaves nothing behind.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <opencv2/imgcodecs.hpp>

#include "lut/cube_lut.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

std::string corpusFile(const std::string& name) {
    return std::string(QLX_TESTDATA_DIR) + "/luts/" + name;
}

// Each 8-bit colour once: 4096 x 4096 pixels, BGR, as 8-bit or 16-bit (v * 257).
cv::Mat allColours(int depth) {
    cv::Mat image(4096, 4096, CV_MAKETYPE(depth, 3));
    for (int y = 0; y < 4096; ++y) {
        for (int x = 0; x < 4096; ++x) {
            const int i = y * 4096 + x;
            const int bgr[3] = {i & 255, (i >> 8) & 255, i >> 16};
            for (int c = 0; c < 3; ++c) {
                if (depth == CV_8U)
                    image.at<cv::Vec3b>(y, x)[c] = static_cast<uchar>(bgr[c]);
                else
                    image.at<cv::Vec3w>(y, x)[c] = static_cast<ushort>(bgr[c] * 257);
            }
        }
    }
    return image;
}

cv::Mat pluginRender(const std::string& lutPath) {
    auto lut = std::make_unique<qlx::CubeLut>();
    EXPECT_TRUE(lut->loadCubeFile(lutPath)) << lutPath << " status " << lut->status;
    cv::Mat image = allColours(CV_8U);
    lut->apply(image.data, static_cast<int>(image.step), image.data, image.cols, image.rows,
               static_cast<int>(image.step), 3);
    return image;
}

// How many of the 2^24 colours differ by 0, 1, 2 and more codes, and the most.
struct Agreement {
    std::array<long, 4> byCodes{};
    int most = 0;
};

Agreement compare(const cv::Mat& plugin, const cv::Mat& oracle16) {
    Agreement a;
    for (int y = 0; y < plugin.rows; ++y) {
        for (int x = 0; x < plugin.cols; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int want = (oracle16.at<cv::Vec3w>(y, x)[c] + 128) / 257;
                const int d = std::abs(plugin.at<cv::Vec3b>(y, x)[c] - want);
                a.most = std::max(a.most, d);
                a.byCodes[static_cast<std::size_t>(std::min(d, 3))] += 1;
            }
        }
    }
    return a;
}

// --- probe -------------------------------------------------------------------

TEST(LutProbe, AnswersWithThePluginsCellTetrahedronAndColour) {
    qlxtest::TempDir dir;
    // Two points per axis swapping red and blue: one tetrahedron per fraction order.
    const std::string lut = dir.write("swap.cube",
                                      "LUT_3D_SIZE 2\n0 0 0\n0 0 1\n0 1 0\n0 1 1\n"
                                      "1 0 0\n1 0 1\n1 1 0\n1 1 1\n");
    struct Row {
        std::vector<std::string> rgb;
        const char* in;
        const char* tetra;
        const char* out;
    };
    for (const Row& row : std::vector<Row>{
             {{"200", "100", "50"}, "R 200 G 100 B 50", "fr > fg > fb", "R 50 G 100 B 200"},
             {{"0.5", "1.0", "0"}, "(8-bit 128 255 0)", "fr > fb >= fg", "R 0 G 255 B 128"},
             {{"10", "200", "100"}, "R 10 G 200 B 100", "fg >= fb > fr", "R 100 G 200 B 10"},
             {{"10", "20", "30"}, "R 10 G 20 B 30", "fb > fg >= fr", "R 30 G 20 B 10"}}) {
        std::vector<std::string> args{"probe", lut};
        args.insert(args.end(), row.rgb.begin(), row.rgb.end());
        const ProgramResult run = runQlxhost(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const char* text : {row.in, row.tetra, row.out}) {
            EXPECT_NE(run.out.find(text), std::string::npos) << text << " not in\n" << run.out;
        }
    }
}

// --- convert -----------------------------------------------------------------

struct BadInput {
    const char* name;
    const char* file;  // written into the folder; empty: not created
    const char* content;
    const char* reason;
};

TEST(LutConvert, RefusesBadInputWithOneLineAndWritesNothing) {
    const std::string cube2 =
        "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
    for (const BadInput& bad : std::vector<BadInput>{
             {"missing", "", "", "no such LUT file"},
             {"empty", "empty.cube", "", "empty"},
             {"absurd size", "big.cube", "LUT_3D_SIZE 100000\n0 0 0\n", "outside 2..256"},
             {"too few entries", "few.cube", "LUT_3D_SIZE 3\n0 0 0\n", "the header asks for 27"},
             {"not a cube of entries", "bad.3dl", "0 512 1023\n0 0 0\n1 1 1\n",
              "do not make a cube"},
             {"HALD of the wrong shape", "hald.png", "", "not a HALD CLUT"},
             {"existing output", "grade.cube", "", "exists; nothing written"}}) {
        qlxtest::TempDir dir;
        std::string in = dir.path() + "/missing.cube";
        if (std::string(bad.file) == "hald.png") {
            in = dir.path() + "/hald.png";
            cv::imwrite(in, cv::Mat(30, 40, CV_8UC3, cv::Scalar(0)));
        } else if (*bad.file) {
            in = dir.write(bad.file,
                           std::string(bad.name) == "existing output" ? cube2 : bad.content);
        }
        const std::string out =
            std::string(bad.name) == "existing output" ? in : dir.path() + "/out.cube";
        const auto before =
            std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
        const ProgramResult run = runQlxhost({"convert", in, out});
        EXPECT_EQ(run.exitCode, 1) << bad.name;
        EXPECT_EQ(lines(run.err).size(), 1u) << bad.name << ": " << run.err;
        EXPECT_NE(run.err.find(bad.reason), std::string::npos) << bad.name << ": " << run.err;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  before)
            << bad.name;
    }
}

TEST(LutConvert, PlainGridThePluginReadsRendersByteForByteTheSame) {
    const std::string in = corpusFile("openshot_vintage_400_film.cube");
    if (!fs::exists(in)) GTEST_SKIP() << "test corpus absent: " << in;
    qlxtest::TempDir dir;
    const ProgramResult run = runQlxhost({"convert", in, dir.path() + "/out.cube"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const cv::Mat before = pluginRender(in), after = pluginRender(dir.path() + "/out.cube");
    EXPECT_EQ(cv::norm(before, after, cv::NORM_INF), 0.0);
}

// A .cube written as a level-8 HALD image and read back. The 8-bit identity
// HALD rounds each of its 64 lattice inputs to a level and the 64 points are
// resampled to 65, so steep looks move by a few codes (6 for this one).
TEST(LutHald, RoundTripThroughHaldKeepsThePluginsOutputClose) {
    const std::string in = corpusFile("openshot_valentine_pop.cube");
    if (!fs::exists(in)) GTEST_SKIP() << "test corpus absent: " << in;
    qlxtest::TempDir dir;
    const std::string hald = dir.path() + "/look.png", back = dir.path() + "/back.cube";
    ASSERT_EQ(runQlxhost({"hald", in, hald}).exitCode, 0);
    EXPECT_EQ(cv::imread(hald).cols, 512);
    ASSERT_EQ(runQlxhost({"convert", hald, back}).exitCode, 0);
    const double most = cv::norm(pluginRender(in), pluginRender(back), cv::NORM_INF);
    std::printf("HALD level 8 round trip: at most %g codes apart\n", most);
    EXPECT_LE(most, 6.0);
}

TEST(LutLookFolder, MakesAFolderCheckPassesAndRefusesAnExistingOne) {
    const std::string in = corpusFile("ocio_lustre_33x33x33.3dl");
    if (!fs::exists(in)) GTEST_SKIP() << "test corpus absent: " << in;
    qlxtest::TempDir dir;
    const std::string look = dir.path() + "/lustre";
    ASSERT_EQ(runQlxhost({"look-folder", in, look, "--name", "Lustre"}).exitCode, 0);
    const ProgramResult check = runQlxhost({"check", look});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("ok: filter \"Lustre\""), std::string::npos) << check.out;
    EXPECT_EQ(runQlxhost({"look-folder", in, look}).exitCode, 1);
}

// The converted file through the plugin against OpenColorIO's own reading of
// the source on all 2^24 colours. QLX_LUT_ORACLE_ALL=1 runs the whole corpus
// and prints the distribution per file.
TEST(LutConvert, AgreesWithOpenColorIOOnEveryColour) {
    if (!haveProgram("ocioconvert")) GTEST_SKIP() << "OpenColorIO tools (ocioconvert) absent";
    if (!fs::exists(corpusFile(""))) GTEST_SKIP() << "test corpus absent";
    std::vector<std::string> files{"ocio_lustre_33x33x33.3dl", "colour_iridas_Demo_1d.cube",
                                   "ocio_iridas_3d.cube"};
    if (std::getenv("QLX_LUT_ORACLE_ALL")) {
        files.clear();
        for (const auto& e : fs::directory_iterator(corpusFile("")))
            files.push_back(e.path().filename());
        std::sort(files.begin(), files.end());
    }
    qlxtest::TempDir dir;
    const std::string input = dir.path() + "/all.tif";
    cv::imwrite(input, allColours(CV_16U));
    for (const std::string& name : files) {
        const std::string ocio = dir.path() + "/ocio.tif",
                          converted = dir.path() + "/" + name + ".cube";
        if (runProgram({"/bin/sh", "-c",
                        "ocioconvert --lut '" + corpusFile(name) + "' '" + input + "' '" + ocio +
                            "' >/dev/null 2>&1"})
                .exitCode != 0) {
            std::printf("%-55s OpenColorIO does not read it\n", name.c_str());
            continue;
        }
        const ProgramResult run = runQlxhost({"convert", corpusFile(name), converted});
        ASSERT_EQ(run.exitCode, 0)
            << name << ": OpenColorIO reads it, convert does not: " << run.err;
        const Agreement a =
            compare(pluginRender(converted), cv::imread(ocio, cv::IMREAD_UNCHANGED));
        std::printf("%-55s 0: %ld  1: %ld  2: %ld  >2: %ld  most %d\n", name.c_str(), a.byCodes[0],
                    a.byCodes[1], a.byCodes[2], a.byCodes[3], a.most);
        EXPECT_LE(a.most, 1) << name;
    }
}

}  // namespace
}  // namespace qlxhosttest
