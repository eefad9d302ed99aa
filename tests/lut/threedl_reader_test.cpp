// The .3DL grammar: shaper line field count, skipped header lines, 12-bit
// entries with the last axis fastest.
#include <gtest/gtest.h>

#include <string>

#include "lut_test_support.h"

namespace qlx::test {
namespace {

std::string entries(int count, const std::string& line = "0 0 0") {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\n";
    return text;
}

// A shaper line of `count` fields, short enough to hold its line break within
// the first 252 bytes of a file.
std::string fields(int count) {
    std::string line = "0";
    for (int i = 1; i < count; ++i) line += " " + std::to_string(i);
    return line + "\n";
}

struct StatusCase {
    const char* name;
    std::string text;
    int status;
    int size;  // expected `size` after the load
};

class ThreeDlStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ThreeDlStatus, EndsWithTheDocumentedCode) {
    for (bool texture : {false, true}) {
        const LoadResult loaded = loadText(GetParam().text, LutFileFormat::ThreeDl, texture, true);
        EXPECT_EQ(loaded.lut->status, GetParam().status) << (texture ? "texture" : "grid");
        EXPECT_EQ(loaded.ok, GetParam().status == 0);
        EXPECT_EQ(loaded.lut->size(), GetParam().size);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ThreeDlStatus,
    ::testing::Values(
        StatusCase{"three_fields", "0 512 1023\n" + entries(27), 0, 3},
        StatusCase{"trailing_space_adds_a_field", "0 512 1023 \n" + entries(64), 0, 4},
        StatusCase{"trailing_space_too_few_entries", "0 512 1023 \n" + entries(27), 10, 4},
        StatusCase{"tabs_make_one_field", "0\t512\t1023\n" + entries(27), 24, 0},
        StatusCase{"two_fields", "0 1023\n" + entries(27), 24, 0},
        StatusCase{"sixty_six_fields", fields(66) + entries(8), 23, 0},
        StatusCase{"mesh_keywords_skipped",
                   "#Tokens\n\n3DMESH\nMesh 4 12\nLUT8\n   \ngamma 1.0\n" + fields(3) + entries(27),
                   0, 3},
        StatusCase{"header_only", "3DMESH\nMesh 4 12\n", 10, 0},
        StatusCase{"header_unterminated", "3DMESH\nMesh 4 12", 12, 0},
        StatusCase{"last_entry_unterminated", fields(3) + entries(26) + "1 2 3", 0, 3},
        StatusCase{"one_entry_missing_unterminated", fields(3) + entries(25) + "1 2 3", 12, 3},
        StatusCase{"one_entry_missing_terminated", fields(3) + entries(26), 10, 3},
        StatusCase{"spaced_shaper_line", "      2     4     4\n" + entries(17 * 17 * 17), 0, 17},
        StatusCase{"comments_between_entries",
                   fields(3) + entries(13) + "# note\n\n" + entries(14) + "trailing junk\n", 0, 3},
        StatusCase{"empty", "", 13, 0}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

TEST(ThreeDlGrid, SixtyFiveFieldsLoad) {
    const LoadResult loaded =
        loadText(fields(65) + entries(65 * 65 * 65, "4095 0 2047"), LutFileFormat::ThreeDl);
    ASSERT_TRUE(loaded.ok) << loaded.lut->status;
    EXPECT_EQ(loaded.lut->size(), 65);
    EXPECT_EQ(loaded.lut->entryCount, 65u * 65u * 65u);
    EXPECT_EQ(gridAt(*loaded.lut, 64, 64, 64),
              (std::array<float, 3>{255.0f, 0.0f, 2047.0f / 4095.0f * 255.0f}));
}

TEST(ThreeDlGrid, FirstIndexIsRedAndTheLastAxisRunsFastest) {
    std::string text = "3DMESH\nMesh 4 12\n0 512 1023\n4095 0 0\n0 4095 0\n";
    text += entries(25, "100 200 300");
    const LoadResult loaded = loadText(text, LutFileFormat::ThreeDl);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 0), (std::array<float, 3>{255.0f, 0.0f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 1), (std::array<float, 3>{0.0f, 255.0f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 1, 0),
              (std::array<float, 3>{100.0f / 4095.0f * 255.0f, 200.0f / 4095.0f * 255.0f,
                                    300.0f / 4095.0f * 255.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 3, 0, 0), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
}

TEST(ThreeDlTexture, ValuesAreTwelveBitOnTheChosenScale) {
    const std::string text = fields(3) + "4095 2047 0\n" + entries(26, "1 2");
    const LoadResult normalized = loadText(text, LutFileFormat::ThreeDl, true, true, true);
    ASSERT_TRUE(normalized.ok);
    ASSERT_EQ(normalized.lut->packedList().size(), 81u);
    EXPECT_EQ(normalized.lut->packedList()[0], 1.0f);
    EXPECT_EQ(normalized.lut->packedList()[1], 2047.0f / 4095.0f);
    // "1 2" leaves the third value of the previous entry in place.
    EXPECT_EQ(normalized.lut->packedList()[5], 0.0f);
    EXPECT_EQ(normalized.lut->packedList()[3], 1.0f / 4095.0f);

    const LoadResult byteScale = loadText(text, LutFileFormat::ThreeDl, true, true, false);
    ASSERT_TRUE(byteScale.ok);
    EXPECT_EQ(byteScale.lut->packedList()[1], 2047.0f / 4095.0f * 255.0f);
}

}  // namespace
}  // namespace qlx::test
