// qlxhost check: every problem of a LUT file, description file or folder is
// explained with its file, its line where one applies, and what is wrong; the
// exit status says whether anything failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // relative path, content

struct CheckCase {
    const char* name;
    std::string checked;  // relative to a fresh folder holding `files`; absolute for the corpus
    int exitCode;
    std::string says;  // "|"-separated texts, each on one report line, e.g. "line 2: ..."
    Files files;
};

// One LUT file written from memory, or one of the shared corpus.
CheckCase lutFile(const char* name, const std::string& file, const std::string& content,
                  int exitCode, const std::string& says) {
    return {name, file, exitCode, says, {{file, content}}};
}
CheckCase corpusFile(const char* name, const char* file, int exitCode, const std::string& says) {
    return {name, std::string(QLX_TESTDATA_DIR) + "/luts/" + file, exitCode, says, {}};
}

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

std::string entries(int count, const std::string& line = "1 0.5 0.25") {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\n";
    return text;
}

std::string filterXml(const std::string& guid, const std::string& lut) {
    return "<Filter><GUID>" + guid + "</GUID><Name>Look</Name><LUT><LutFile>" + lut +
           "</LutFile></LUT></Filter>";
}

const std::string kSize2 = "LUT_3D_SIZE 2\n";
const std::string kSound = kSize2 + entries(8);
const std::string kRootConf = R"({"GUID": "ROOT", "NAME": "LUT"})";
const std::string kShaper = "0 2047 4095\n";

class Check : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Check, ExplainsEveryProblemWithItsLine) {
    const CheckCase& c = GetParam();
    if (c.checked[0] == '/' && !std::filesystem::exists(c.checked)) GTEST_SKIP() << "no corpus";
    qlxtest::TempDir dir;
    for (const auto& [path, content] : c.files) dir.write(path, content);
    const std::string path = c.checked[0] == '/' ? c.checked : dir.path() + "/" + c.checked;
    const ProgramResult run = runQlxhost({"check", path});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    if (!std::filesystem::is_directory(path)) {
        EXPECT_EQ(lines(run.out).front(), path);
    }
    for (std::size_t start = 0, end; start < c.says.size(); start = end + 1) {
        end = std::min(c.says.find('|', start), c.says.size());
        const std::string text = c.says.substr(start, end - start);
        EXPECT_NE(run.out.find(text), std::string::npos) << "missing " << text << " in\n"
                                                         << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LutFiles, Check,
    ::testing::Values(
        lutFile("Sound", "a.cube", "# c\n" + kSound, 0, "ok: .cube LUT, 2 x 2 x 2"),
        lutFile("NotALut", "a.csp", "CSPLUTV100\n", 1, "error: not a LUT file"),
        lutFile("TooFewEntries", "a.cube", kSize2 + entries(7), 1,
                "error: the plugin does not load it (status 10: the file ends too early|"
                "error, line 8: the file ends after 7 of the 8 entries"),
        lutFile("ShortEntry", "a.cube", kSize2 + entries(3) + "0.5 0.5\n" + entries(4), 0,
                "warning, line 5: this entry has fewer than three numbers"),
        lutFile("OneDTableAndRange", "a.cube", "LUT_1D_SIZE 2\nLUT_3D_INPUT_RANGE 0 1\n" + kSound,
                0,
                "line 1: the file holds a 1D table as well|line 2: LUT_3D_INPUT_RANGE is ignored"),
        lutFile("Domain", "a.cube", kSize2 + "DOMAIN_MAX 2 2 2\n" + entries(8), 0,
                "line 2: DOMAIN_MIN/DOMAIN_MAX are not 0 and 1"),
        lutFile("ExtraLines", "a.cube", kSize2 + entries(10), 0,
                "line 10: 2 data line(s) after the last entry are ignored"),
        lutFile("SixteenBit", "a.3dl", kShaper + entries(27, "9 0 65535"), 0,
                "output values reach 65535, above 4095"),
        lutFile("TenBit", "a.3dl", kShaper + entries(27, "9 0 1023"), 0,
                "this looks like 10-bit output")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Corpus, Check,
    ::testing::Values(corpusFile("DataLineFail", "dakom_data-line-fail.cube", 1,
                                 "status 22: DOMAIN_MIN not below DOMAIN_MAX|"
                                 "line 6: DOMAIN_MIN not below DOMAIN_MAX in red, green and blue|"
                                 "line 10: this entry has fewer than three numbers|"
                                 "line 11: the file ends after 3 of the 32768 entries"),
                      corpusFile("SizeValueFail", "dakom_size-value-fail.cube", 1,
                                 "line 5: LUT_3D_SIZE is \"foo\", not a whole number|"
                                 "line 6: DOMAIN_MIN not below DOMAIN_MAX"),
                      corpusFile("OneD", "colour_iridas_Demo_1d.cube", 1,
                                 "status 23|this is a 1D LUT (LUT_1D_SIZE on line 2)"),
                      corpusFile("Truncated", "ocio_error_truncated_file.3dl", 1,
                                 "line 375: the file ends after 369 of the 4913"),
                      corpusFile("TrailingSpaces", "ocio_crosstalk.3dl", 1,
                                 "which holds 17 values, but doubled, leading or trailing spaces"),
                      corpusFile("Shaper1D", "ocio_resolve_1d3d.cube", 0,
                                 "line 1: the file holds a 1D table|line 32: 6 data line(s)"),
                      corpusFile("NoShaperLine", "ocio_lustre_33x33x33.3dl", 0,
                                 "line 11: the plugin takes this line as the shaper line"),
                      corpusFile("Sound", "ocio_discreet-3d-lut.3dl", 0,
                                 "ok: .3dl LUT, 17 x 17 x 17 points")),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kConfA = R"({"GUID": "A"})";

INSTANTIATE_TEST_SUITE_P(
    Descriptions, Check,
    ::testing::Values(
        CheckCase{"SoundFolder", "L", 0, "0 with errors",
                  Files{{"L/root.conf", kRootConf},
                        {"L/a/a.conf", kConfA},
                        {"L/a/filter.xml", filterXml("A", "a.cube")},
                        {"L/a/a.cube", kSound}}},
        CheckCase{"NoRootDescription", "L", 1, "has no .conf description of its own",
                  Files{{"L/a/a.conf", kConfA}}},
        CheckCase{"BrokenJson", "L", 1, "parse error",
                  Files{{"L/root.conf", kRootConf}, {"L/a/a.conf", R"({"GUID": "A",)"}}},
        CheckCase{"ConfWithoutGuid", "l.conf", 1, "\"GUID\" is missing",
                  Files{{"l.conf", R"({"NAME": "n"})"}}},
        CheckCase{"XmlWithoutFilter", "l/filter.xml", 1, "no top-level Filter element",
                  Files{{"l/filter.xml", "<Look/>"}}},
        CheckCase{"XmlNamesMissingLut", "l", 1, "gone.cube, does not exist",
                  Files{{"l/filter.xml", filterXml("A", "gone.cube")}}},
        CheckCase{"XmlNamesNoLut", "l", 1, "names no LUT file",
                  Files{{"l/filter.xml", "<Filter><GUID>A</GUID></Filter>"}}},
        CheckCase{"XmlNamesBrokenLut", "l", 1, "bad.cube does not load",
                  Files{{"l/filter.xml", filterXml("A", "bad.cube")}, {"l/bad.cube", kSize2}}},
        CheckCase{"GuidsDiffer", "l", 0, "differs from the .conf's (CONF)",
                  Files{{"l/l.conf", R"({"GUID": "CONF"})"},
                        {"l/filter.xml", filterXml("X", "a.cube")},
                        {"l/a.cube", kSound}}},
        CheckCase{"GuidUsedTwice", "L", 0, "its GUID is also used by",
                  Files{{"L/root.conf", kRootConf},
                        {"L/a/a.conf", R"({"GUID": "S"})"},
                        {"L/b/b.conf", R"({"GUID": "S"})"}}},
        CheckCase{"MissingProgram", "L", 1, "none.cl does not exist: the opencl renderer will fail",
                  Files{{"L/root.conf", R"({"GUID": "R", "OPENCL": "programs/none.cl"})"},
                        {"L/a/a.conf", kConfA}}},
        CheckCase{"EmptyFolder", "e", 1, "no description", Files{{"e/readme.txt", "-"}}},
        CheckCase{"NoSuchPath", "nowhere", 1, "no such file or folder", Files{}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckBundledFolder, FindsNoErrors) {
    const ProgramResult run = runQlxhost({"check", bundledLutFolder()});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const std::string& look : bundledLookFolders()) {
        EXPECT_NE(run.out.find(look + "/filter.xml"), std::string::npos) << look;
    }
}

TEST(CheckManyPaths, FailsWhenAnyFails) {
    qlxtest::TempDir dir;
    const std::string good = dir.write("good.cube", kSound), bad = dir.write("bad.cube", kSize2);
    const ProgramResult run = runQlxhost({"check", good, bad, good});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("3 file(s) checked: 1 with errors"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace qlxhosttest
