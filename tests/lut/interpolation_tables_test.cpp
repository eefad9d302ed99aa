// The two 256-entry tables that turn an 8-bit level into a grid coordinate.
#include <gtest/gtest.h>

#include "lut_test_support.h"

namespace qlx::test {
namespace {

class InterpolationTables : public ::testing::TestWithParam<int> {};

TEST_P(InterpolationTables, SpanTheGridFromFirstToLastIndexInRisingSteps) {
    const int n = GetParam();
    LoadResult loaded =
        loadText(cubeText(n, [](int, int, int) { return exactWords(0.5f, 0.5f, 0.5f); }),
                 LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    const float* fraction = loaded.lut->fractionTable();
    const std::int32_t* index = loaded.lut->indexTable();
    EXPECT_EQ(index[0] + fraction[0], 0.0f);
    EXPECT_TRUE(index[255] == n - 1 && fraction[255] == 0.0f);
    double previous = -1.0;
    for (int v = 0; v < 256; ++v) {
        ASSERT_TRUE(fraction[v] >= 0.0f && fraction[v] < 1.0f) << "level " << v;
        const double coordinate = index[v] + static_cast<double>(fraction[v]);
        ASSERT_GT(coordinate, previous) << "level " << v;
        ASSERT_NEAR(coordinate, v * (n - 1) / 255.0, 2e-5) << "level " << v;
        previous = coordinate;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, InterpolationTables, ::testing::Range(2, 66));

}  // namespace
}  // namespace qlx::test
