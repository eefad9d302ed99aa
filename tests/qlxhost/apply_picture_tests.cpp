// qlxhost apply on pictures: the written file holds what the plugin renders
// when driven directly through the host kit, in straight alpha, with the
// input's metadata, from and to files or standard input and output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

// A bundled LUT file through --lut: a real look that moves every channel.
const std::string kLookFile = std::string(bundledLutFolder()) + "/day_for_night/day_for_night.cube";

// Straight alpha: a pixel's colour is graded as the plugin grades it opaque,
// whatever its alpha, and its alpha is kept.
cv::Mat straightRender(const DirectRender& job, const cv::Mat& bgra) {
    cv::Mat opaque = bgra.clone(), rendered;
    const int alphaOnly[] = {3, 3};
    cv::mixChannels(cv::Mat(bgra.size(), CV_8UC4, cv::Scalar::all(255)), opaque, alphaOnly, 1);
    rendered = renderThroughKit(job, opaque);
    cv::mixChannels(bgra, rendered, alphaOnly, 1);
    return rendered;
}

struct PictureCase {
    const char* name;
    const char* filter;  // as the user gives it: name or GUID (any case); empty: --lut
    const char* folder;  // of the look
    int alpha, skinProtect;
    const char* renderer;
    const char* extension;  // of the output; "-": standard input to output
    bool sixteenBits, compare;
};

class ApplyPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(ApplyPicture, WritesWhatTheKitRenders) {
    const PictureCase& c = GetParam();
    qlxtest::TempDir dir;
    const bool stream = c.extension == std::string("-");
    const std::string in = dir.path() + "/in" + (stream ? ".png" : c.extension);
    const std::string out = stream ? "-" : dir.path() + "/out" + c.extension;
    cv::Mat seen = makePicture(53, 37, 7 + c.alpha), file = seen;
    if (c.sixteenBits) seen.convertTo(file, CV_16U, 257);
    ASSERT_TRUE(cv::imwrite(in, file));
    DirectRender job{bundledLutFolder(), "", "", c.alpha, c.skinProtect};
    std::vector<std::string> args{
        "apply", "-a",      std::to_string(c.alpha), "-s", std::to_string(c.skinProtect),
        "-r",    c.renderer};
    if (c.compare) args.insert(args.end(), {"--compare", "side"});
    if (*c.filter) {
        job.filterFolder = std::string(bundledLutFolder()) + "/" + c.folder;
        args.insert(args.end(), {"--filter", c.filter});
    } else {
        job.lutFile = kLookFile;
        args.insert(args.end(), {"--lut", job.lutFile});
    }
    args.insert(args.end(), {stream ? "-" : in, out});

    const ProgramResult run = runQlxhost(args, {"", stream ? in : "/dev/null"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const cv::Mat expected = straightRender(job, seen);
    cv::Mat written = stream ? cv::imdecode(cv::Mat(1, static_cast<int>(run.out.size()), CV_8U,
                                                    const_cast<char*>(run.out.data())),
                                            cv::IMREAD_UNCHANGED)
                             : cv::imread(out, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(written.type(), file.type());
    if (c.sixteenBits) written.convertTo(written, CV_8U, 1.0 / 257);
    EXPECT_EQ(cv::norm(written, expected, cv::NORM_INF), 0)
        << "every renderer gives the CPU's bytes";
    EXPECT_GT(cv::norm(written, seen, cv::NORM_INF), 0) << "the look changed nothing";
    if (!c.compare) return;
    const cv::Mat sideBySide = cv::imread(dir.path() + "/out.compare.png", cv::IMREAD_UNCHANGED);
    ASSERT_EQ(sideBySide.size(), cv::Size(2 * seen.cols, seen.rows));
    EXPECT_EQ(cv::norm(sideBySide.colRange(0, seen.cols), seen, cv::NORM_INF), 0);
    EXPECT_EQ(cv::norm(sideBySide.colRange(seen.cols, 2 * seen.cols), written, cv::NORM_INF), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ApplyPicture,
    ::testing::Values(PictureCase{"ByName", "Cool", "cool", 100, 0, "cpu", ".png", false, true},
                      PictureCase{"ByGuidHalfStrength", "9e035d69-43d7-470b-8483-d69a70109885",
                                  "cool", 37, 0, "cpu", ".png", false, false},
                      PictureCase{"SkinProtected", "Sepia", "sepia", 100, 80, "cpu", ".png", false,
                                  false},
                      PictureCase{"Tiff16", "Warm", "warm", 60, 0, "cpu", ".tiff", true, false},
                      PictureCase{"LutFileOpenCL", "", "", 80, 0, "opencl", ".png", false, false},
                      PictureCase{"LutFileOpenGL", "", "", 80, 0, "opengl", ".png", false, false},
                      PictureCase{"StandardStreams", "", "", 100, 0, "cpu", "-", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

bool holds(const std::string& file, const std::vector<std::string>& markers) {
    const std::string bytes = qlxtest::readFile(file);
    return std::all_of(markers.begin(), markers.end(),
                       [&](const std::string& m) { return bytes.find(m) != std::string::npos; });
}

// The LUT's warnings come first; libpng's about the ICC profile never.
TEST(ApplyPhotos, KeepIccProfileExifAndXmpAtTheQualityAsked) {
    const std::string photos = std::string(QLX_TESTDATA_DIR) + "/images/";
    const std::string jpeg = photos + "nopeople_libavif_paris_exif_xmp_icc.jpg";
    if (!fs::exists(jpeg)) GTEST_SKIP() << "no shared photos in " << photos;
    qlxtest::TempDir dir;
    const std::string lut =
        dir.write("wide.cube", "DOMAIN_MAX 2 2 2\n" + qlxtest::readFile(kLookFile));
    const std::string out = dir.path() + "/o";
    for (const char* quality : {"95", "30"}) {
        const ProgramResult run =
            runQlxhost({"apply", "-l", lut, "-q", quality, jpeg, out + quality + ".jpg"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(holds(out + quality + ".jpg", {"ICC_PROFILE", "Exif", "ns.adobe.com/xap"}));
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("warning: " + lut, 0), 0u) << run.err;
    }
    EXPECT_LT(fs::file_size(out + "30.jpg"), fs::file_size(out + "95.jpg") * 2 / 3);
    ASSERT_EQ(runQlxhost({"apply", "-l", lut, jpeg, out + ".png"}).exitCode, 0);
    EXPECT_TRUE(holds(out + ".png", {"iCCP", "Raw profile type exif", "XML:com.adobe.xmp"}));
    const ProgramResult png = runQlxhost(
        {"apply", "-f", "Cool", photos + "people_skimage_astronaut.png", out + ".png", "-y"});
    EXPECT_EQ(png.err, "");
    EXPECT_TRUE(holds(out + ".png", {"iCCP"}));
}

}  // namespace
}  // namespace qlxhosttest
