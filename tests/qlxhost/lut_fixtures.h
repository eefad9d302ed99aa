// Broken and sound LUT files, written from memory, with what `check` must say
// about each: shared by the command-line tests and the diagnosis tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qlxhosttest {

struct LutFixture {
    const char* name;
    const char* file;  // file name; its extension picks the grammar
    std::string content;
    int exitCode;          // of `qlxhost check`
    const char* explains;  // text the report must hold
    int line;              // the line it must name; 0: none required
};

inline void PrintTo(const LutFixture& f, std::ostream* os) {
    *os << f.name;
}

inline std::string cubeEntries(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(i % 2) + " 0.5 0.25\n";
    return text;
}

// Entries whose largest value is `top` (4095 for 12-bit output).
inline std::string threeDlEntries(int count, int top = 4095) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(i * 37 % (top + 1)) + " " + std::to_string(top / 2) + " " +
                std::to_string(top) + "\n";
    }
    return text;
}

inline std::string countingLine(int fields) {
    std::string text = "0";
    for (int i = 1; i < fields; ++i) text += " " + std::to_string(i);
    return text + "\n";
}

inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

inline std::vector<LutFixture> lutFixtures() {
    const std::string size2 = "LUT_3D_SIZE 2\n";
    const std::string shaper3 = "0 2047 4095\n";
    std::string entries7 = cubeEntries(7);
    std::string noFinalBreak = size2 + cubeEntries(7);
    noFinalBreak.pop_back();
    return {
        {"Empty", "empty.cube", "", 1, "the file is empty", 0},
        {"OneLine", "one.cube", "LUT_3D_SIZE 2", 1, "no line break", 1},
        {"LongFirstLine", "long.cube",
         "TITLE \"" + std::string(300, 'x') + "\"\n" + size2 + cubeEntries(8), 1,
         "first line longer than 251 bytes", 1},
        {"NoSize", "nosize.cube", "TITLE \"t\"\n" + cubeEntries(8), 1, "LUT_3D_SIZE missing", 0},
        {"LowerCaseSize", "lower.cube", "lut_3d_size 2\n" + cubeEntries(8), 1,
         "line 1 spells it differently", 0},
        {"ByteOrderMark", "bom.cube", "\xEF\xBB\xBF" + size2 + cubeEntries(8), 1, "byte-order mark",
         0},
        {"OneDimensional", "oned.cube", "LUT_1D_SIZE 3\n0 0 0\n0.5 0.5 0.5\n1 1 1\n", 1,
         "this is a 1D LUT (LUT_1D_SIZE on line 1)", 0},
        {"DomainBlue", "blue.cube", size2 + "DOMAIN_MIN 0 0 1\n" + cubeEntries(8), 1,
         "DOMAIN_MIN not below DOMAIN_MAX in blue", 2},
        {"DomainGreen", "green.cube",
         "DOMAIN_MIN 0 1 0\nDOMAIN_MAX 1 1 1\n" + size2 + cubeEntries(8), 1,
         "DOMAIN_MIN not below DOMAIN_MAX in green", 1},
        {"DomainRedBlue", "redblue.cube",
         size2 + "DOMAIN_MIN 2 0 5\nDOMAIN_MAX 1 1 1\n" + cubeEntries(8), 1,
         "not below DOMAIN_MAX in red and blue", 2},
        {"DomainTwoNumbers", "two.cube", size2 + "DOMAIN_MIN 0 0\n" + cubeEntries(8), 1,
         "DOMAIN_MIN needs three numbers", 2},
        {"SizeNotANumber", "word.cube", "LUT_3D_SIZE seventeen\n" + cubeEntries(8), 1,
         "LUT_3D_SIZE is \"seventeen\", not a whole number", 1},
        {"SizeOne", "one-point.cube", "LUT_3D_SIZE 1\n0 0 0\n", 1, "outside 2 to 256", 1},
        {"Size257", "huge.cube", "LUT_3D_SIZE 257\n" + cubeEntries(8), 1, "outside 2 to 256", 1},
        {"Size100", "big.cube", "TITLE \"b\"\nLUT_3D_SIZE 100\n" + cubeEntries(8), 1,
         "larger than 65", 2},
        {"SpacesInHeader", "spaces.cube", size2 + "   \n" + cubeEntries(8), 1,
         "only spaces or tabs", 2},
        {"HeaderOnly", "header.cube", "TITLE \"h\"\n" + size2, 1, "ends before its first LUT entry",
         0},
        {"SevenOfEight", "seven.cube", size2 + entries7, 1, "ends after 7 of the 8 entries", 0},
        {"SevenNoFinalBreak", "seven-nb.cube", noFinalBreak, 1, "ends after 7 of the 8", 0},
        {"SoundCube", "sound.cube", "# comment\n" + size2 + "\n" + cubeEntries(8), 0,
         "ok: .cube LUT, 2 x 2 x 2 points", 0},
        {"CrLfCube", "crlf.cube", replaceAll(size2 + cubeEntries(8), "\n", "\r\n"), 0,
         "ok: .cube LUT, 2 x 2 x 2", 0},
        {"CrCube", "cr.cube", replaceAll(size2 + cubeEntries(8), "\n", "\r"), 0,
         "ok: .cube LUT, 2 x 2 x 2", 0},
        {"ShortEntry", "short.cube", size2 + cubeEntries(3) + "0.5 0.5\n" + cubeEntries(4), 0,
         "fewer than three numbers", 5},
        {"OneDAndThreeD", "resolve.cube",
         "LUT_1D_SIZE 2\n" + size2 + "0 0 0\n1 1 1\n" + cubeEntries(8), 0, "1D table as well", 1},
        {"Domain", "domain.cube", size2 + "DOMAIN_MAX 2 2 2\n" + cubeEntries(8), 0,
         "will not look as its author meant", 2},
        {"ExtraLines", "extra.cube", size2 + cubeEntries(10), 0,
         "2 data line(s) after the last entry are ignored", 10},
        {"ShaperWithTabs", "tabs.3dl", "0\t2047\t4095\n" + threeDlEntries(27), 1,
         "separated by tabs", 1},
        {"ShaperTwoFields", "two.3dl", "0 4095\n" + threeDlEntries(8), 1, "at least 3 input values",
         1},
        {"Shaper66", "wide.3dl", countingLine(66) + threeDlEntries(8), 1,
         "66 fields; the plugin holds at most 65", 1},
        {"NoShaper", "keywords.3dl", "3DMESH\nMesh 4 12\n", 1, "no shaper line", 0},
        {"TrailingSpaceShaper", "trailing.3dl", "0 2047 4095 \n" + threeDlEntries(27), 1,
         "ends after 27 of the 64 entries", 0},
        {"Sound3dl", "sound.3dl", "3DMESH\nMesh 2 12\n" + shaper3 + threeDlEntries(27), 0,
         "ok: .3dl LUT, 3 x 3 x 3 points", 0},
        {"SixteenBit3dl", "deep.3dl", shaper3 + threeDlEntries(27, 65535), 0, "above 4095", 0},
        {"TenBit3dl", "ten.3dl", shaper3 + threeDlEntries(27, 1023), 0, "10-bit output", 0},
        {"NotALut", "grade.csp", "CSPLUTV100\n3D\n", 1, "not a LUT file", 0},
    };
}

}  // namespace qlxhosttest
