// qlxhost demo: one contact sheet with the original and every bundled look.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "contact_sheet.h"
#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

TEST(Demo, WritesOneTileForTheOriginalAndEachLook) {
    qlxtest::TempDir dir;
    const ProgramResult run = runQlxhost({"demo", "--out", dir.path() + "/sheet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string path = dir.path() + "/sheet/contact-sheet.png";
    EXPECT_NE(run.out.find(path), std::string::npos) << run.out;
    const cv::Mat written = cv::imread(path, cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(written.empty());

    // The sheet's layout for as many tiles as the original plus every look.
    const std::size_t tiles = bundledLookFolders().size() + 1;
    const cv::Mat layout = qlxhost::cli::makeContactSheet(
        "", std::vector<qlxhost::cli::ContactTile>(tiles, {"", cv::Mat(4, 4, CV_8UC4)}));
    EXPECT_EQ(written.size(), layout.size());
}

TEST(Demo, ContactSheetsGrowByRowsOfFour) {
    const auto sheet = [](int tiles) {
        return qlxhost::cli::makeContactSheet(
                   "t", std::vector<qlxhost::cli::ContactTile>(
                            tiles, {"a label far too long to fit into one tile of the sheet",
                                    cv::Mat(10, 10, CV_8UC4, cv::Scalar(1, 2, 3, 255))}))
            .size();
    };
    EXPECT_EQ(sheet(4).width, sheet(9).width);
    EXPECT_LT(sheet(2).width, sheet(4).width);
    EXPECT_EQ(sheet(4).height, sheet(3).height);
    EXPECT_LT(sheet(4).height, sheet(5).height);
    EXPECT_EQ(sheet(5).height, sheet(8).height);
}

}  // namespace
}  // namespace qlxhosttest
