// Line terminators found from the first bytes, significant lines, and the
// same grid whatever the line-end style.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lut_test_support.h"

namespace qlx::test {
namespace {

const std::string kCubeBody =
    "LUT_3D_SIZE 2\n0.1 0.2 0.3\n1 0 0\n0 .75 0\n1 .75 0\n0 .25 1\n1 .25 1\n0 1 1\n1 1 1\n";

struct DetectionCase {
    const char* name;
    std::string text;
    int status;
};

class TerminatorDetection : public ::testing::TestWithParam<DetectionCase> {};

TEST_P(TerminatorDetection, NeedsALineBreakWithinTheFirst252Bytes) {
    EXPECT_EQ(loadText(GetParam().text, LutFileFormat::Cube).lut->status, GetParam().status);
}

// A header line of exactly `length` bytes before its line feed.
std::string titleOf(std::size_t length) {
    return "TITLE " + std::string(length - 6, 'x');
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminatorDetection,
    ::testing::Values(
        DetectionCase{"empty", "", 13}, DetectionCase{"no_break_short", "LUT_3D_SIZE 2", 13},
        DetectionCase{"first_line_251", titleOf(251) + "\n" + kCubeBody, 0},
        DetectionCase{"first_line_252", titleOf(252) + "\n" + kCubeBody, 13},
        DetectionCase{"first_line_251_crlf", titleOf(251) + "\r\n" + kCubeBody, 0},
        DetectionCase{"first_line_251_cr", titleOf(251) + "\r" + withLineEnds(kCubeBody, "\r"), 0},
        DetectionCase{"first_line_300", titleOf(300) + "\n" + kCubeBody, 13},
        DetectionCase{"nul_bytes_before_break", std::string(200, '\0') + "\n" + kCubeBody, 0},
        // A first carriage return not followed by a line feed makes every
        // line feed an ordinary byte: one long line holds the entries.
        DetectionCase{"cr_then_lf_lines", "LUT_3D_SIZE 2\r" + kCubeBody.substr(14), 12},
        DetectionCase{"cr_at_end_of_file", "LUT_3D_SIZE 2\r", 10}),
    [](const ::testing::TestParamInfo<DetectionCase>& info) { return info.param.name; });

struct StyleCase {
    const char* name;
    LutFileFormat format;
    std::string text;
};

class LineEndStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(LineEndStyles, GiveTheSameGrid) {
    const LoadResult lf = loadText(GetParam().text, GetParam().format);
    ASSERT_TRUE(lf.ok) << lf.lut->status;
    for (const char* ending : {"\r\n", "\r"}) {
        const LoadResult other = loadText(withLineEnds(GetParam().text, ending), GetParam().format);
        ASSERT_TRUE(other.ok) << other.lut->status;
        EXPECT_EQ(other.lut->size(), lf.lut->size());
        EXPECT_EQ(std::memcmp(other.lut->table(), lf.lut->table(), CubeLut::kGridFloats * 4), 0)
            << "line ends " << (ending[1] ? "CR LF" : "CR");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineEndStyles,
    ::testing::Values(StyleCase{"cube", LutFileFormat::Cube,
                                "# comment\n\nTITLE \"x\"\n" + kCubeBody.substr(0, 32) + "#c\n\n" +
                                    kCubeBody.substr(32)},
                      StyleCase{"threedl", LutFileFormat::ThreeDl,
                                "3DMESH\nMesh 4 12\n\n0 2048 4095\n" +
                                    [] {
                                        std::string s;
                                        for (int i = 0; i < 27; ++i)
                                            s += std::to_string(i * 150) + " 0 4095\n";
                                        return s;
                                    }()}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return info.param.name; });

TEST(SignificantLines, ALoneCarriageReturnIsSkippedButSpacesAreNot) {
    // With line feeds as terminators, "\r" alone is an empty line; " \r" is an
    // entry with no numbers that repeats the previous values.
    const LoadResult loaded =
        loadText("LUT_3D_SIZE 2\n1 0.5 0\n\r\n \r\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n",
                 LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 1, 0, 0), (std::array<float, 3>{255.0f, 127.5f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 0, 1, 0), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
}

TEST(SignificantLines, VeryLongLinesAreReadWhole) {
    const std::string spaces(1 << 20, ' ');
    const LoadResult loaded =
        loadText("LUT_3D_SIZE 2\n" + spaces + "0.5" + spaces + "1 1\n" + std::string(7, '\n') +
                     "0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n",
                 LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 0, 0, 0), (std::array<float, 3>{127.5f, 255.0f, 255.0f}));
}

}  // namespace
}  // namespace qlx::test
