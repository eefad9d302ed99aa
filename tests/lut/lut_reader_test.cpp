// Both LUT grammars, one row per reading rule: the loader's status for the
// grid and texture loads, and the line and problem the reader names.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "lut/byte_source.h"
#include "lut/lut_text_reader.h"
#include "lut_test_support.h"

namespace qlx::test {
namespace {

constexpr LutFileFormat kCube = LutFileFormat::Cube;
constexpr LutFileFormat k3dl = LutFileFormat::ThreeDl;
const std::string kEight = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
const std::string kSize2 = "LUT_3D_SIZE 2\n";

std::string repeated(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\n";
    return text;
}

// A .3DL shaper line of `count` fields.
std::string fields(int count) {
    std::string line = "0";
    for (int i = 1; i < count; ++i) line += " " + std::to_string(i);
    return line + "\n";
}

LutReading readText(const std::string& text, LutFileFormat format) {
    MemoryByteSource source(text.data(), text.size());
    auto reader = std::make_unique<LutTextReader>(source);
    return readLut(*reader, format);
}

struct Rule {
    const char* name;
    LutFileFormat format;
    std::string text;
    int status;
    int line;          // of the first problem
    const char* says;  // part of its sentence
};

class ReadingRule : public ::testing::TestWithParam<Rule> {};

TEST_P(ReadingRule, GivesTheStatusLineAndProblem) {
    const Rule& rule = GetParam();
    for (bool texture : {false, true}) {
        const LoadResult loaded = loadText(rule.text, rule.format, texture, true, true);
        EXPECT_EQ(loaded.lut->status, rule.status) << (texture ? "texture load" : "grid load");
        EXPECT_EQ(loaded.ok, rule.status == 0);
    }
    const LutReading reading = readText(rule.text, rule.format);
    ASSERT_EQ(reading.status(), rule.status);
    if (rule.status == 0) return;
    EXPECT_EQ(reading.errors.front().line, rule.line);
    EXPECT_NE(reading.errors.front().sentence.find(rule.says), std::string::npos)
        << reading.errors.front().sentence;
}

INSTANTIATE_TEST_SUITE_P(
    Cube, ReadingRule,
    ::testing::Values(
        Rule{"Size2", kCube, kSize2 + kEight, 0, 0, ""},
        Rule{"NoSize", kCube, "TITLE \"t\"\n" + kEight, 23, 0, "LUT_3D_SIZE missing"},
        Rule{"SizeOne", kCube, "LUT_3D_SIZE 1\n" + kEight, 23, 1, "outside 2 to 256"},
        Rule{"Size257", kCube, "LUT_3D_SIZE 257\n" + kEight, 23, 1, "outside 2 to 256"},
        Rule{"Size100PassesTheHeader", kCube, "TITLE x\nLUT_3D_SIZE 100\n" + kEight, 23, 2,
             "larger than 65"},
        Rule{"Size100OverridesAnEarlierProblem", kCube, "LUT_3D_SIZE 100\n   \n" + kEight, 23, 1,
             "larger than 65"},
        Rule{"SizeWord", kCube, "LUT_3D_SIZE foo\n" + kEight, 10, 1, "\"foo\", not a whole number"},
        Rule{"SizeWithSuffix", kCube, "LUT_3D_SIZE 2abc\n" + kEight, 0, 0, ""},
        Rule{"LowerCaseSize", kCube, "lut_3d_size 2\n" + kEight, 23, 0, "line 1 spells it"},
        Rule{"ByteOrderMark", kCube, "\xEF\xBB\xBF" + kSize2 + kEight, 23, 0, "byte-order mark"},
        Rule{"OneDimensional", kCube, "LUT_1D_SIZE 3\n0 0 0\n1 1 1\n", 23, 0,
             "1D LUT (LUT_1D_SIZE on line 1)"},
        Rule{"DomainMinBlue", kCube, kSize2 + "DOMAIN_MIN 0 0 1\n" + kEight, 22, 2,
             "in blue (DOMAIN_MIN on line 2, DOMAIN_MAX 1 1 1 by default)"},
        Rule{"DomainMaxGreen", kCube, "DOMAIN_MAX 1 0 1\n" + kSize2 + kEight, 22, 1,
             "in green (DOMAIN_MIN 0 0 0 by default, DOMAIN_MAX on line 1)"},
        Rule{"DomainTwoNumbers", kCube, kSize2 + "DOMAIN_MIN 0 0\n" + kEight, 10, 2,
             "DOMAIN_MIN needs three numbers"},
        Rule{"DomainOutOfRange", kCube, kSize2 + "DOMAIN_MAX 1e999 1 1\n" + kEight, 10, 2, "1e999"},
        Rule{"SecondDomainIgnored", kCube,
             kSize2 + "DOMAIN_MIN 0 0 0\nDOMAIN_MIN 5 5 5\nDOMAIN_MAX 1 1 1\nDOMAIN_MAX 0 0 0\n" +
                 kEight,
             0, 0, ""},
        Rule{"HeaderSpaces", kCube, kSize2 + "   \n" + kEight, 10, 2, "only spaces or tabs"},
        Rule{"SevenEntriesTerminated", kCube, kSize2 + kEight.substr(0, 42), 10, 8,
             "ends after 7 of the 8 entries"},
        Rule{"SevenEntriesUnterminated", kCube, kSize2 + kEight.substr(0, 41), 12, 8,
             "(2 x 2 x 2, from LUT_3D_SIZE on line 1)"},
        Rule{"LastEntryUnterminated", kCube, kSize2 + kEight.substr(0, 47), 0, 0, ""},
        Rule{"CommentIsNoEntry", kCube, kSize2 + kEight.substr(0, 42) + "# end", 12, 9, "7 of"},
        Rule{"HeaderOnly", kCube, kSize2, 10, 1, "ends before its first LUT entry"},
        Rule{"HeaderOnlyUnterminated", kCube, "TITLE x\nLUT_3D_SIZE 2", 12, 2, "before"},
        Rule{"ExtraLinesIgnored", kCube, kSize2 + kEight + "junk\n1 2 3\n", 0, 0, ""},
        Rule{"JunkEntriesAreNoErrors", kCube, kSize2 + "0 0 0\nx\n#\n  # y\n \n1,2\n-\n.\n1e999\n",
             0, 0, ""},
        Rule{"Empty", kCube, "", 13, 0, "the file is empty"},
        Rule{"NoLineBreak", kCube, "LUT_3D_SIZE 2", 13, 1, "one single line"},
        Rule{"FirstLine251", kCube, "TITLE " + std::string(245, 'x') + "\n" + kSize2 + kEight, 0, 0,
             ""},
        Rule{"FirstLine252", kCube, "TITLE " + std::string(246, 'x') + "\n" + kSize2 + kEight, 13,
             1, "longer than 251"},
        Rule{"FirstLine251CrLf", kCube, "TITLE " + std::string(245, 'x') + "\r\n" + kSize2 + kEight,
             0, 0, ""},
        // A first carriage return without a line feed makes the line feeds
        // ordinary bytes: one long line holds every entry.
        Rule{"CrThenLf", kCube, "LUT_3D_SIZE 2\r" + kEight, 12, 2, "ends after 1 of the 8"},
        Rule{"CrAtTheEnd", kCube, "LUT_3D_SIZE 2\r", 10, 1, "before its first"},
        Rule{"NulBytes", kCube, std::string("LUT_3D_SIZE 2\n\0\0\n", 17) + kEight, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ThreeDl, ReadingRule,
    ::testing::Values(
        Rule{"ThreeFields", k3dl, "0 512 1023\n" + repeated(27, "0 0 0"), 0, 0, ""},
        Rule{"MeshAndOtherKeywordsSkipped", k3dl,
             "#T\n\n3DMESH\nMesh 4 12\nLUT8\n   \ngamma 1\n" + fields(3) + repeated(27, "1 2 3"), 0,
             0, ""},
        Rule{"TrailingSpaceAddsAField", k3dl, "0 512 1023 \n" + repeated(27, "0 0 0"), 10, 28,
             "27 of the 64 entries the plugin expects (4 x 4 x 4, from the shaper line, line 1, "
             "which holds 3"},
        Rule{"TabsMakeOneField", k3dl, "0\t512\t1023\n" + repeated(27, "0 0 0"), 24, 1,
             "separated by tabs"},
        Rule{"TwoFields", k3dl, "0 1023\n" + repeated(27, "0 0 0"), 24, 1, "2 field(s)"},
        Rule{"SixtySixFields", k3dl, fields(66) + repeated(8, "0 0 0"), 23, 1,
             "66 fields; the plugin holds at most 65"},
        Rule{"SixtyFiveFields", k3dl, fields(65) + repeated(65 * 65 * 65, "1 2 3"), 0, 0, ""},
        Rule{"NoShaperLine", k3dl, "3DMESH\nMesh 4 12\n", 10, 2, "no shaper line"},
        Rule{"LastEntryUnterminated", k3dl, fields(3) + repeated(26, "0 0 0") + "1 2 3", 0, 0, ""},
        Rule{"EntryMissingUnterminated", k3dl, fields(3) + repeated(25, "0 0 0") + "1 2 3", 12, 27,
             "26 of the 27"},
        Rule{"EntryMissingTerminated", k3dl, fields(3) + repeated(26, "0 0 0"), 10, 27,
             "lacks its shaper line"},
        Rule{"CommentsBetweenEntries", k3dl,
             fields(3) + repeated(13, "0 0 0") + "# n\n\n" + repeated(14, "0 0 0") + "junk\n", 0, 0,
             ""},
        Rule{"Empty", k3dl, "", 13, 0, "empty"}),
    [](const auto& info) { return std::string(info.param.name); });

using Rgb = std::array<float, 3>;

TEST(CubePlacement, RedRunsFastestAndTheDomainScalesTheOutput) {
    const std::string text =
        kSize2 + "DOMAIN_MAX 2 2 2\n0.5 0.5 0.5\n1 0 0\n0 .75 0\n-1 3 nan\n" + kEight.substr(0, 24);
    const LoadResult grid = loadText(text, kCube);
    ASSERT_TRUE(grid.ok);
    EXPECT_EQ(gridAt(*grid.lut, 0, 0, 0), (Rgb{255.0f, 255.0f, 255.0f}));
    EXPECT_EQ(gridAt(*grid.lut, 1, 0, 0), (Rgb{510.0f, 0.0f, 0.0f}));
    EXPECT_EQ(gridAt(*grid.lut, 0, 1, 0), (Rgb{0.0f, 382.5f, 0.0f}));
    EXPECT_EQ(gridAt(*grid.lut, 2, 0, 0), (Rgb{0.0f, 0.0f, 0.0f}));  // beyond the size
    EXPECT_EQ(grid.lut->entryCount, 8u);
    // The texture keeps file order on the domain's unit scale, clamped; not
    // a number gives 0.
    const LoadResult texture = loadText(text, kCube, true, true, true);
    const std::vector<float> want = {0.25f, 0.25f,  0.25f, 0.5f, 0.0f, 0.0f,
                                     0.0f,  0.375f, 0.0f,  0.0f, 1.0f, 0.0f};
    const std::vector<float>& list = texture.lut->packedList();
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(std::vector<float>(list.begin(), list.begin() + 12), want);
    EXPECT_EQ(loadText(text, kCube, true, true, false).lut->packedList()[3], 127.5f);
}

TEST(ThreeDlPlacement, BlueRunsFastestOnATwelveBitScale) {
    const std::string text = "3DMESH\nMesh 4 12\n0 512 1023\n4095 0 0\n0 4095 0\n" +
                             repeated(24, "100 200 300") + "1 2\n";
    const LoadResult grid = loadText(text, k3dl);
    ASSERT_TRUE(grid.ok);
    EXPECT_EQ(gridAt(*grid.lut, 0, 0, 0), (Rgb{255.0f, 0.0f, 0.0f}));
    EXPECT_EQ(gridAt(*grid.lut, 0, 0, 1), (Rgb{0.0f, 255.0f, 0.0f}));
    EXPECT_EQ(gridAt(*grid.lut, 0, 1, 0)[0], 100.0f / 4095.0f * 255.0f);
    // "1 2" keeps the previous entry's third value.
    EXPECT_EQ(gridAt(*grid.lut, 2, 2, 2)[2], 300.0f / 4095.0f * 255.0f);
    const LoadResult texture = loadText(text, k3dl, true, true, true);
    EXPECT_EQ(texture.lut->packedList()[0], 1.0f);
    EXPECT_EQ(texture.lut->packedList()[4], 1.0f);
}

TEST(SignificantLines, SpacesAndIndentedHashesUseUpAnEntryButLoneCarriageReturnsDoNot) {
    const LoadResult loaded =
        loadText(kSize2 + "1 0.5 0\n\r\n \r\n  # x\n" + repeated(5, "0 0 0"), kCube);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(gridAt(*loaded.lut, 0, 1, 0), (Rgb{255.0f, 127.5f, 0.0f}));
    EXPECT_EQ(gridAt(*loaded.lut, 1, 1, 0), (Rgb{0.0f, 0.0f, 0.0f}));
}

TEST(LineEnds, CrLfAndCrGiveTheSameGridAsLf) {
    const std::string texts[2] = {"# c\n\nTITLE \"x\"\n" + kSize2 + "#c\n\n" + kEight,
                                  "3DMESH\n\n0 2048 4095\n" + repeated(27, "150 0 4095")};
    for (LutFileFormat format : {kCube, k3dl}) {
        const std::string& text = texts[format == k3dl];
        const LoadResult lf = loadText(text, format);
        ASSERT_TRUE(lf.ok);
        for (const char* ending : {"\r\n", "\r"}) {
            const LoadResult other = loadText(withLineEnds(text, ending), format);
            ASSERT_TRUE(other.ok);
            EXPECT_EQ(std::memcmp(other.lut->table(), lf.lut->table(), CubeLut::kGridFloats * 4),
                      0);
        }
    }
}

TEST(LoadsInSequence, EachStandsOnItsOwnButAFailedHeaderKeepsTheSize) {
    CubeLut lut;
    EXPECT_EQ(lut.status, 1);
    ASSERT_TRUE(
        loadTextInto(lut, cubeText(5, [](int, int, int) { return exactWords(1, 1, 1); }), kCube));
    const std::vector<float> tables(lut.fractionTable(), lut.fractionTable() + 256);
    ASSERT_TRUE(loadTextInto(lut, kSize2 + "DOMAIN_MAX 2 2 2\n" + kEight, kCube, true));
    EXPECT_EQ(std::vector<float>(lut.fractionTable(), lut.fractionTable() + 256), tables);
    EXPECT_EQ(gridAt(lut, 1, 1, 1), (Rgb{127.5f, 127.5f, 127.5f}));
    EXPECT_EQ(gridAt(lut, 4, 4, 4), (Rgb{0.0f, 0.0f, 0.0f}));  // nothing left of size 5
    EXPECT_FALSE(loadTextInto(lut, "TITLE x\n" + kEight, kCube));
    EXPECT_EQ(lut.size(), 2);
    EXPECT_FALSE(loadTextInto(lut, "LUT_3D_SIZE 100\n" + kEight, kCube));
    EXPECT_EQ(lut.size(), 100);
    // A size above the grid that an earlier load left ends any .CUBE load
    // whose header sets none with 23.
    EXPECT_FALSE(loadTextInto(lut, "   \n" + kSize2 + kEight, kCube));
    EXPECT_EQ(lut.status, 23);
    EXPECT_FALSE(loadTextInto(lut, kSize2 + "   \n" + kEight, kCube));
    EXPECT_EQ(lut.status, 10);
}

}  // namespace
}  // namespace qlx::test
