// qlxhost check: every problem of a LUT file, description file or folder is
// explained with its file, its line where one applies, and what is wrong; the
// exit status says whether anything failed.
#include <gtest/gtest.h>

#include <filesystem>

#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // relative path, content

struct CheckCase {
    const char* name;
    Files files;          // written to a fresh folder
    std::string checked;  // relative to that folder; absolute for the shared corpus
    int exitCode;
    std::vector<std::string> says;  // each on one report line, e.g. "line 2: ..."
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

std::string corpus(const char* file) {
    return std::string(QLX_TESTDATA_DIR) + "/luts/" + file;
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
    for (const std::string& text : c.says) {
        EXPECT_NE(run.out.find(text), std::string::npos) << "missing \"" << text << "\" in\n"
                                                         << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LutFiles, Check,
    ::testing::Values(
        CheckCase{
            "Sound", {{"a.cube", "# c\n" + kSound}}, "a.cube", 0, {"ok: .cube LUT, 2 x 2 x 2"}},
        CheckCase{"Sound3dl",
                  {{"a.3dl", kShaper + entries(27, "9 2047 4095")}},
                  "a.3dl",
                  0,
                  {"ok: .3dl LUT, 3 x 3 x 3"}},
        CheckCase{"NotALut", {{"a.csp", "CSPLUTV100\n"}}, "a.csp", 1, {"error: not a LUT file"}},
        CheckCase{"TooFewEntries",
                  {{"a.cube", kSize2 + entries(7)}},
                  "a.cube",
                  1,
                  {"error: the plugin does not load it (status 10: the file ends too early",
                   "error, line 8: the file ends after 7 of the 8 entries"}},
        CheckCase{"ShortEntry",
                  {{"a.cube", kSize2 + entries(3) + "0.5 0.5\n" + entries(4)}},
                  "a.cube",
                  0,
                  {"warning, line 5: this entry has fewer than three numbers"}},
        CheckCase{
            "OneDTableAndRange",
            {{"a.cube", "LUT_1D_SIZE 2\nLUT_3D_INPUT_RANGE 0 1\n" + kSound}},
            "a.cube",
            0,
            {"line 1: the file holds a 1D table as well", "line 2: LUT_3D_INPUT_RANGE is ignored"}},
        CheckCase{"Domain",
                  {{"a.cube", kSize2 + "DOMAIN_MAX 2 2 2\n" + entries(8)}},
                  "a.cube",
                  0,
                  {"line 2: DOMAIN_MIN/DOMAIN_MAX are not 0 and 1"}},
        CheckCase{"ExtraLines",
                  {{"a.cube", kSize2 + entries(10)}},
                  "a.cube",
                  0,
                  {"line 10: 2 data line(s) after the last entry are ignored"}},
        CheckCase{"SixteenBit",
                  {{"a.3dl", kShaper + entries(27, "9 0 65535")}},
                  "a.3dl",
                  0,
                  {"output values reach 65535, above 4095"}},
        CheckCase{"TenBit",
                  {{"a.3dl", kShaper + entries(27, "9 0 1023")}},
                  "a.3dl",
                  0,
                  {"this looks like 10-bit output"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Corpus, Check,
    ::testing::Values(CheckCase{"DataLineFail",
                                {},
                                corpus("dakom_data-line-fail.cube"),
                                1,
                                {"status 22: DOMAIN_MIN not below DOMAIN_MAX",
                                 "line 6: DOMAIN_MIN not below DOMAIN_MAX in red, green and blue",
                                 "line 10: this entry has fewer than three numbers",
                                 "line 11: the file ends after 3 of the 32768 entries"}},
                      CheckCase{"SizeValueFail",
                                {},
                                corpus("dakom_size-value-fail.cube"),
                                1,
                                {"line 5: LUT_3D_SIZE is \"foo\", not a whole number",
                                 "line 6: DOMAIN_MIN not below DOMAIN_MAX"}},
                      CheckCase{"OneD",
                                {},
                                corpus("colour_iridas_Demo_1d.cube"),
                                1,
                                {"status 23", "this is a 1D LUT (LUT_1D_SIZE on line 2)"}},
                      CheckCase{"Truncated",
                                {},
                                corpus("ocio_error_truncated_file.3dl"),
                                1,
                                {"line 375: the file ends after 369 of the 4913"}},
                      CheckCase{"TrailingSpaces",
                                {},
                                corpus("ocio_crosstalk.3dl"),
                                1,
                                {"which holds 17 values, but doubled, leading or trailing spaces"}},
                      CheckCase{"Shaper1D",
                                {},
                                corpus("ocio_resolve_1d3d.cube"),
                                0,
                                {"line 1: the file holds a 1D table", "line 32: 6 data line(s)"}},
                      CheckCase{"NoShaperLine",
                                {},
                                corpus("ocio_lustre_33x33x33.3dl"),
                                0,
                                {"line 11: the plugin takes this line as the shaper line"}},
                      CheckCase{"Sound",
                                {},
                                corpus("ocio_discreet-3d-lut.3dl"),
                                0,
                                {"ok: .3dl LUT, 17 x 17 x 17 points"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Descriptions, Check,
    ::testing::Values(CheckCase{"SoundFolder",
                                {{"L/root.conf", kRootConf},
                                 {"L/a/a.conf", R"({"GUID": "A"})"},
                                 {"L/a/filter.xml", filterXml("A", "a.cube")},
                                 {"L/a/a.cube", kSound}},
                                "L",
                                0,
                                {"0 with errors"}},
                      CheckCase{"NoRootDescription",
                                {{"L/a/a.conf", R"({"GUID": "A"})"}},
                                "L",
                                1,
                                {"has no .conf description of its own"}},
                      CheckCase{"BrokenJson",
                                {{"L/root.conf", kRootConf}, {"L/a/a.conf", R"({"GUID": "A",)"}},
                                "L",
                                1,
                                {"parse error"}},
                      CheckCase{"ConfWithoutGuid",
                                {{"x/l.conf", R"({"NAME": "n"})"}},
                                "x/l.conf",
                                1,
                                {"\"GUID\" is missing"}},
                      CheckCase{"XmlWithoutFilter",
                                {{"l/filter.xml", "<Look/>"}},
                                "l/filter.xml",
                                1,
                                {"no top-level Filter element"}},
                      CheckCase{"XmlNamesMissingLut",
                                {{"l/filter.xml", filterXml("A", "gone.cube")}},
                                "l",
                                1,
                                {"gone.cube, does not exist"}},
                      CheckCase{"XmlNamesNoLut",
                                {{"l/filter.xml", "<Filter><GUID>A</GUID></Filter>"}},
                                "l",
                                1,
                                {"names no LUT file"}},
                      CheckCase{
                          "XmlNamesBrokenLut",
                          {{"l/filter.xml", filterXml("A", "bad.cube")}, {"l/bad.cube", kSize2}},
                          "l",
                          1,
                          {"bad.cube does not load"}},
                      CheckCase{"GuidsDiffer",
                                {{"l/l.conf", R"({"GUID": "CONF"})"},
                                 {"l/filter.xml", filterXml("X", "a.cube")},
                                 {"l/a.cube", kSound}},
                                "l",
                                0,
                                {"differs from the .conf's (CONF)"}},
                      CheckCase{"GuidUsedTwice",
                                {{"L/root.conf", kRootConf},
                                 {"L/a/a.conf", R"({"GUID": "S"})"},
                                 {"L/b/b.conf", R"({"GUID": "S"})"}},
                                "L",
                                0,
                                {"its GUID is also used by"}},
                      CheckCase{"MissingProgram",
                                {{"L/root.conf", R"({"GUID": "R", "OPENCL": "programs/none.cl"})"},
                                 {"L/a/a.conf", R"({"GUID": "A"})"}},
                                "L",
                                1,
                                {"none.cl does not exist: the opencl renderer will fail"}},
                      CheckCase{"EmptyFolder", {{"e/readme.txt", "-"}}, "e", 1, {"no description"}},
                      CheckCase{"NoSuchPath", {}, "nowhere", 1, {"no such file or folder"}}),
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
