// The two 256-entry tables that turn an 8-bit level into a grid coordinate.
#include <gtest/gtest.h>

#include <string>

#include "lut_test_support.h"

namespace qlx::test {
namespace {

std::unique_ptr<CubeLut> lutOfSize(int n) {
    LoadResult loaded =
        loadText(cubeText(n, [](int, int, int) { return exactWords(0.5f, 0.5f, 0.5f); }),
                 LutFileFormat::Cube);
    EXPECT_TRUE(loaded.ok) << n;
    return std::move(loaded.lut);
}

class InterpolationTables : public ::testing::TestWithParam<int> {};

TEST_P(InterpolationTables, SpanTheGridFromFirstToLastIndex) {
    const int n = GetParam();
    const std::unique_ptr<CubeLut> lut = lutOfSize(n);
    int count = 0;
    const float* fraction = lut->fractionTable(&count);
    EXPECT_EQ(count, 256);
    count = 0;
    const std::int32_t* index = lut->indexTable(&count);
    EXPECT_EQ(count, 256);

    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(fraction[0], 0.0f);
    EXPECT_EQ(index[255], n - 1);
    EXPECT_EQ(fraction[255], 0.0f);
    double previous = -1.0;
    for (int v = 0; v < 256; ++v) {
        ASSERT_GE(fraction[v], 0.0f);
        ASSERT_LT(fraction[v], 1.0f);
        ASSERT_GE(index[v], 0);
        ASSERT_LE(index[v], n - 1);
        const double coordinate = index[v] + static_cast<double>(fraction[v]);
        ASSERT_GT(coordinate, previous) << "level " << v;
        EXPECT_NEAR(coordinate, v * (n - 1) / 255.0, 2e-5) << "level " << v;
        previous = coordinate;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, InterpolationTables, ::testing::Range(2, 66));

TEST(InterpolationTables, WholeStepsLandOnGridPoints) {
    // 255 ÷ 17 = 15 exactly: every fifteenth level is a grid point.
    const std::unique_ptr<CubeLut> lut = lutOfSize(18);
    for (int v = 0; v < 256; v += 15) {
        EXPECT_EQ(lut->indexTable()[v], v / 15);
        EXPECT_EQ(lut->fractionTable()[v], 0.0f);
    }
}

TEST(Accessors, TableReportsTheSizeOnEveryAxis) {
    const std::unique_ptr<CubeLut> lut = lutOfSize(17);
    int w = 0, h = 0, d = 0, c = 0;
    EXPECT_NE(lut->table(&w, &h, &d, &c), nullptr);
    EXPECT_EQ(w, 17);
    EXPECT_EQ(h, 17);
    EXPECT_EQ(d, 17);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(lut->table(), lut->table(nullptr, &h));
}

}  // namespace
}  // namespace qlx::test
