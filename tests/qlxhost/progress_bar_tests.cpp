// The progress line: frames done, rate and time left.
#include <gtest/gtest.h>

#include "progress_bar.h"

namespace qlxhosttest {
namespace {

struct ProgressCase {
    long done, total;
    double seconds;
    const char* unit;
    const char* expected;
};

class ProgressLine : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressLine, ShowsCountRateAndTimeLeft) {
    const ProgressCase& c = GetParam();
    EXPECT_EQ(qlxhost::cli::ProgressBar::render(c.done, c.total, c.seconds, c.unit, 10),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    States, ProgressLine,
    ::testing::Values(
        ProgressCase{50, 100, 2.0, "frames", "[#####.....] 50/100 frames  25.0 fps  0:02 left"},
        ProgressCase{1, 4000, 0.5, "frames", "[..........] 1/4000 frames  2.0 fps  33:20 left"},
        ProgressCase{10, 20000, 1.0, "frames",
                     "[..........] 10/20000 frames  10.0 fps  33:19 left"},
        ProgressCase{1, 100000, 1.0, "frames",
                     "[..........] 1/100000 frames  1.0 fps  27:46:39 left"},
        ProgressCase{30, 10, 1.0, "frames", "[##########] 30/10 frames  30.0 fps"},
        ProgressCase{7, 0, 2.0, "frames", " 7 frames  3.5 fps"},
        ProgressCase{3, 9, 3.0, "looks", "[###.......] 3/9 looks  1.0 looks/s  0:06 left"},
        ProgressCase{0, 9, 0.0, "looks", "[..........] 0/9 looks  0.0 looks/s"}));

}  // namespace
}  // namespace qlxhosttest
