// The .CUBE grammar: header keywords, checks, status codes and grid placement.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "lut_test_support.h"

namespace qlx::test {
namespace {

// Eight entries for a size-2 table.
const std::string kEight = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

struct StatusCase {
    const char* name;
    std::string text;
    int status;
};

class CubeStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(CubeStatus, EndsWithTheDocumentedCode) {
    const LoadResult grid = loadText(GetParam().text, LutFileFormat::Cube);
    EXPECT_EQ(grid.lut->status, GetParam().status);
    EXPECT_EQ(grid.ok, GetParam().status == 0);
    const LoadResult texture = loadText(GetParam().text, LutFileFormat::Cube, true, true, true);
    EXPECT_EQ(texture.lut->status, GetParam().status) << "texture load";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CubeStatus,
    ::testing::Values(
        StatusCase{"size2", "LUT_3D_SIZE 2\n" + kEight, 0},
        StatusCase{"title_and_comments",
                   "# made by hand\nTITLE \"t\"\n\n#x\nLUT_3D_SIZE 2\n#y\n\n" + kEight, 0},
        StatusCase{"no_size", "TITLE \"t\"\n" + kEight, 23},
        StatusCase{"size1", "LUT_3D_SIZE 1\n" + kEight, 23},
        StatusCase{"size257", "LUT_3D_SIZE 257\n" + kEight, 23},
        StatusCase{"size100_after_header", "LUT_3D_SIZE 100\n" + kEight, 23},
        StatusCase{"size_int_max", "LUT_3D_SIZE 2147483647\n" + kEight, 23},
        StatusCase{"size_overflows_int", "LUT_3D_SIZE 99999999999\n" + kEight, 10},
        StatusCase{"size_negative", "LUT_3D_SIZE -2\n" + kEight, 23},
        StatusCase{"size_word", "LUT_3D_SIZE foo\n" + kEight, 10},
        StatusCase{"size_missing", "LUT_3D_SIZE\n" + kEight, 10},
        StatusCase{"size_with_suffix", "LUT_3D_SIZE 2abc\n" + kEight, 0},
        StatusCase{"size_lower_case", "lut_3d_size 2\n" + kEight, 23},
        StatusCase{"second_size_ignored", "LUT_3D_SIZE 2\nLUT_3D_SIZE 999\n" + kEight, 0},
        StatusCase{"byte_order_mark", "\xEF\xBB\xBFLUT_3D_SIZE 2\n" + kEight, 23},
        StatusCase{"domain_min_not_below_max", "LUT_3D_SIZE 2\nDOMAIN_MIN 0 0 1\n" + kEight, 22},
        StatusCase{"domain_equal", "DOMAIN_MIN 1 2 3\nDOMAIN_MAX 1 2 3\nLUT_3D_SIZE 2\n" + kEight,
                   22},
        StatusCase{"domain_min_two_numbers", "LUT_3D_SIZE 2\nDOMAIN_MIN 0 0\n" + kEight, 10},
        StatusCase{"domain_huge", "LUT_3D_SIZE 2\nDOMAIN_MAX 1e999 1 1\n" + kEight, 10},
        StatusCase{"domain_nan", "LUT_3D_SIZE 2\nDOMAIN_MAX nan 1 1\n" + kEight, 10},
        StatusCase{"second_domain_ignored",
                   "LUT_3D_SIZE 2\nDOMAIN_MIN 0 0 0\nDOMAIN_MIN 5 5 5\nDOMAIN_MAX 1 1 1\n"
                   "DOMAIN_MAX 0 0 0\n" +
                       kEight,
                   0},
        StatusCase{"header_spaces", "LUT_3D_SIZE 2\n   \n" + kEight, 10},
        StatusCase{"header_lone_tab", "LUT_3D_SIZE 2\n\t\n" + kEight, 10},
        StatusCase{"one_dimensional_ignored", "LUT_1D_SIZE 4\nLUT_3D_SIZE 2\n" + kEight, 0},
        StatusCase{"unknown_keyword_ignored", "LUT_3D_INPUT_RANGE 0 1\nLUT_3D_SIZE 2\n" + kEight,
                   0},
        StatusCase{"plus_alone_is_a_keyword", "LUT_3D_SIZE 2\n+\n" + kEight, 0},
        StatusCase{"too_few_entries_terminated",
                   "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n", 10},
        StatusCase{"too_few_entries_unterminated",
                   "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1", 12},
        StatusCase{"last_entry_unterminated",
                   "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1", 0},
        StatusCase{"comment_after_last_entry_is_not_an_entry",
                   "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n# end", 12},
        StatusCase{"only_header", "LUT_3D_SIZE 2\n", 10},
        StatusCase{"only_header_unterminated", "TITLE x\nLUT_3D_SIZE 2", 12},
        StatusCase{"extra_lines_ignored", "LUT_3D_SIZE 2\n" + kEight + "junk\n1 2 3\n", 0},
        StatusCase{"junk_entries_are_not_errors",
                   "LUT_3D_SIZE 2\n0 0 0\nx\n#\n   # y\n \n1,2\n-\n.\n1e999 nan\n", 0},
        StatusCase{"empty", "", 13},
        StatusCase{"long_first_line", "TITLE \"" + std::string(300, 'x') + "\"\n" + kEight, 13},
        StatusCase{"nul_bytes",
                   std::string("LUT_3D_SIZE 2\n\0\0\0\n", 18) + kEight + std::string("\0", 1), 0}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

TEST(CubeGrid, EntriesRunRedFastestThenGreenThenBlue) {
    const LoadResult loaded = loadText(
        "LUT_3D_SIZE 2\n0.1 0.2 0.3\n1 0 0\n0 .75 0\n1 .75 0\n0 .25 1\n1 .25 1\n0 1 1\n1 1 1\n",
        LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 0),
              (std::array<float, 3>{0.1f * 255.0f, 0.2f * 255.0f, 0.3f * 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 1, 0, 0), (std::array<float, 3>{255.0f, 0.0f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 1, 0), (std::array<float, 3>{0.0f, 0.75f * 255.0f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 1), (std::array<float, 3>{0.0f, 0.25f * 255.0f, 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 1, 1, 1), (std::array<float, 3>{255.0f, 255.0f, 255.0f}));
    // Entries beyond the size keep the zeros of the cleared grid.
    EXPECT_EQ(gridAt(*loaded.lut, 2, 0, 0), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(loaded.lut->size(), 2);
    EXPECT_EQ(loaded.lut->entryCount, 8u);
}

TEST(CubeGrid, MissingValuesRepeatThePreviousEntry) {
    const LoadResult loaded = loadText(
        "LUT_3D_SIZE 2\n0.5 0.25 1\n0.75\n   # not a comment\n\n#comment\n1 1\n0 0 0\n0 0 0\n0 0 "
        "0\n0 0 0\n0 0 0\n",
        LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 1, 0, 0),
              (std::array<float, 3>{0.75f * 255.0f, 0.25f * 255.0f, 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 1, 0),
              (std::array<float, 3>{0.75f * 255.0f, 0.25f * 255.0f, 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 1, 1, 0), (std::array<float, 3>{255.0f, 255.0f, 255.0f}));
}

TEST(CubeGrid, DomainScalesWithoutSubtractingTheMinimum) {
    const std::string text = "LUT_3D_SIZE 2\nDOMAIN_MIN 0 1 -1\nDOMAIN_MAX 2 2 1\n" +
                             std::string("0.5 0.5 0.5\n") +
                             "0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 "
                             "0\n-1 3 0.25\n";
    const LoadResult loaded = loadText(text, LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 0), (std::array<float, 3>{255.0f, 0.5f * 255.0f, 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 1, 1, 1), (std::array<float, 3>{-510.0f, 765.0f, 127.5f}));
}

TEST(CubeTexture, PackedListKeepsFileOrderOnTheUnitScale) {
    const std::string text =
        "LUT_3D_SIZE 2\nDOMAIN_MAX 2 2 2\n0.5 0.5 0.5\n2 0 0\n-1 3 nan\n0 0 0\n0 0 0\n0 0 0\n0 0 "
        "0\n1 1 1\n";
    const LoadResult normalized = loadText(text, LutFileFormat::Cube, true, true, true);
    ASSERT_TRUE(normalized.ok);
    const std::vector<float>& list = normalized.lut->packedList();
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(normalized.lut->table(), list.data());
    EXPECT_EQ(list[0], 0.25f);
    EXPECT_EQ(list[3], 1.0f);
    EXPECT_EQ(list[6], 0.0f);  // below the domain: clamped
    EXPECT_EQ(list[7], 1.0f);  // above the domain: clamped
    EXPECT_EQ(list[8], 0.0f);  // not a number: 0
    EXPECT_EQ(list[21], 0.5f);

    const LoadResult byteScale = loadText(text, LutFileFormat::Cube, true, true, false);
    ASSERT_TRUE(byteScale.ok);
    EXPECT_EQ(byteScale.lut->packedList()[0], 0.25f * 255.0f);
    EXPECT_EQ(byteScale.lut->packedList()[3], 255.0f);
}

TEST(CubeTexture, UnpackedTextureLoadFillsTheGridAndKeepsTheTables) {
    CubeLut lut(false, true);
    ASSERT_TRUE(loadTextInto(
        lut,
        "LUT_3D_SIZE 3\n" + std::string(27, '\n') +
            [] {
                std::string s;
                for (int i = 0; i < 27; ++i) s += "0.5 0 1\n";
                return s;
            }(),
        LutFileFormat::Cube));
    const std::vector<float> tableBefore(lut.fractionTable(), lut.fractionTable() + 256);
    ASSERT_TRUE(
        loadTextInto(lut, "LUT_3D_SIZE 2\nDOMAIN_MAX 2 2 2\n" + kEight, LutFileFormat::Cube, true));
    EXPECT_TRUE(lut.packedList().empty());
    EXPECT_EQ(gridAt(lut, 1, 1, 1), (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(std::vector<float>(lut.fractionTable(), lut.fractionTable() + 256), tableBefore);
}

TEST(CubeSize, AFailedHeaderKeepsThePreviousSize) {
    CubeLut lut;
    EXPECT_EQ(lut.status, 1);
    EXPECT_EQ(lut.size(), 0);
    ASSERT_TRUE(loadTextInto(lut, "LUT_3D_SIZE 2\n" + kEight, LutFileFormat::Cube));
    EXPECT_FALSE(loadTextInto(lut, "TITLE x\n" + kEight, LutFileFormat::Cube));
    EXPECT_EQ(lut.status, 23);
    EXPECT_EQ(lut.size(), 2);
    EXPECT_FALSE(loadTextInto(lut, "LUT_3D_SIZE 100\n" + kEight, LutFileFormat::Cube));
    EXPECT_EQ(lut.size(), 100);
    // The grid is cleared by every load, also by a failing one.
    EXPECT_EQ(gridAt(lut, 1, 1, 1), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
}

}  // namespace
}  // namespace qlx::test

namespace qlx::test {
namespace {

TEST(CubeGrid, ASmallerLutLeavesNoTraceOfALargerOne) {
    CubeLut lut;
    const auto ones = [](int, int, int) { return exactWords(1.0f, 1.0f, 1.0f); };
    ASSERT_TRUE(loadTextInto(lut, cubeText(5, ones), LutFileFormat::Cube));
    ASSERT_TRUE(loadTextInto(lut, cubeText(3, ones), LutFileFormat::Cube, true));
    ASSERT_TRUE(loadTextInto(lut, cubeText(2, ones), LutFileFormat::Cube));
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                const float want = r < 2 && g < 2 && b < 2 ? 255.0f : 0.0f;
                ASSERT_EQ(gridAt(lut, r, g, b), (std::array<float, 3>{want, want, want}))
                    << r << "," << g << "," << b;
            }
        }
    }
}

}  // namespace
}  // namespace qlx::test
