// qlxhost check: each broken file or folder is explained with its file, its
// line where one applies, and what is wrong; the exit status says whether
// anything failed.
#include <gtest/gtest.h>

#include <filesystem>

#include "host_render.h"
#include "lut_fixtures.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

// The report line holding `text`, or empty.
std::string reportLine(const std::string& report, const std::string& text) {
    for (const std::string& line : lines(report)) {
        if (line.find(text) != std::string::npos) return line;
    }
    return {};
}

void expectExplained(const ProgramResult& run, int exitCode, const std::string& text, int line) {
    EXPECT_EQ(run.exitCode, exitCode) << run.out << run.err;
    const std::string found = reportLine(run.out, text);
    ASSERT_FALSE(found.empty()) << "missing \"" << text << "\" in:\n" << run.out;
    if (line > 0) {
        EXPECT_NE(found.find("line " + std::to_string(line) + ":"), std::string::npos) << found;
    }
}

class CheckLutFile : public ::testing::TestWithParam<LutFixture> {};

TEST_P(CheckLutFile, ExplainsWhatIsWrong) {
    const LutFixture& f = GetParam();
    qlxtest::TempDir dir;
    const std::string path = dir.write(f.file, f.content);
    const ProgramResult run = runQlxhost({"check", path});
    expectExplained(run, f.exitCode, f.explains, f.line);
    EXPECT_EQ(lines(run.out).front(), path);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CheckLutFile, ::testing::ValuesIn(lutFixtures()),
                         [](const auto& info) { return std::string(info.param.name); });

struct CorpusCase {
    const char* file;
    int exitCode;
    const char* explains;
    int line;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.file;
}

class CheckCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(CheckCorpus, ExplainsRealWorldFiles) {
    const std::string path = std::string(QLX_TESTDATA_DIR) + "/luts/" + GetParam().file;
    if (!fs::exists(path)) GTEST_SKIP() << "test corpus absent: " << path;
    const ProgramResult run = runQlxhost({"check", path});
    expectExplained(run, GetParam().exitCode, GetParam().explains, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CheckCorpus,
    ::testing::Values(
        CorpusCase{"dakom_size-value-fail.cube", 1, "LUT_3D_SIZE is \"foo\", not a whole number",
                   5},
        CorpusCase{"dakom_data-line-fail.cube", 1,
                   "DOMAIN_MIN not below DOMAIN_MAX in red, green and blue", 6},
        CorpusCase{"colour_iridas_Demo_1d.cube", 1, "this is a 1D LUT", 0},
        CorpusCase{"ocio_error_truncated_file.3dl", 1, "the file ends after 369 of the 4913", 0},
        CorpusCase{"ocio_crosstalk.3dl", 1, "which holds 17 values", 0},
        CorpusCase{"ocio_resolve_1d3d.cube", 0, "1D table as well", 1},
        CorpusCase{"ocio_iridas_3d.cube", 0, "will not look as its author meant", 3},
        CorpusCase{"openshot_noir_era.cube", 0, "ok: .cube LUT, 33 x 33 x 33 points", 0},
        CorpusCase{"ocio_discreet-3d-lut.3dl", 0, "ok: .3dl LUT, 17 x 17 x 17 points", 0}));

// ---- description files and folders ----------------------------------------------

constexpr char kRootConf[] = R"({"GUID": "ROOT", "NAME": "LUT"})";
constexpr char kSoundCube[] =
    "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

std::string filterXml(const std::string& guid, const std::string& lut) {
    return "<Filter><GUID>" + guid + "</GUID><Name>Look</Name><LUT><LutFile>" + lut +
           "</LutFile></LUT></Filter>";
}

struct FolderCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // relative path, content
    const char* checked;  // what to check, relative to the folder
    int exitCode;
    const char* explains;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckDescriptions : public ::testing::TestWithParam<FolderCase> {};

TEST_P(CheckDescriptions, ExplainsWhatIsWrong) {
    const FolderCase& c = GetParam();
    qlxtest::TempDir dir;
    for (const auto& [path, content] : c.files) dir.write(path, content);
    const ProgramResult run = runQlxhost({"check", dir.path() + "/" + c.checked});
    expectExplained(run, c.exitCode, c.explains, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, CheckDescriptions,
    ::testing::Values(
        FolderCase{"SoundFolder",
                   {{"LUT/root.conf", kRootConf},
                    {"LUT/a/a.conf", R"({"GUID": "A"})"},
                    {"LUT/a/filter.xml", filterXml("A", "a.cube")},
                    {"LUT/a/a.cube", kSoundCube}},
                   "LUT",
                   0,
                   "0 with errors"},
        FolderCase{"NoRootDescription",
                   {{"LUT/a/a.conf", R"({"GUID": "A"})"}},
                   "LUT",
                   1,
                   "has no .conf description of its own"},
        FolderCase{"BrokenJson",
                   {{"LUT/root.conf", kRootConf}, {"LUT/a/a.conf", R"({"GUID": "A",)"}},
                   "LUT",
                   1,
                   "parse error"},
        FolderCase{"ConfWithoutGuid",
                   {{"x/look.conf", R"({"NAME": "No guid"})"}},
                   "x/look.conf",
                   1,
                   "\"GUID\" is missing"},
        FolderCase{"XmlWithoutFilter",
                   {{"look/filter.xml", "<Look><GUID>A</GUID></Look>"}},
                   "look/filter.xml",
                   1,
                   "no top-level Filter element"},
        FolderCase{"XmlNamesMissingLut",
                   {{"look/filter.xml", filterXml("A", "gone.cube")}},
                   "look",
                   1,
                   "gone.cube, does not exist"},
        FolderCase{"XmlNamesNoLut",
                   {{"look/filter.xml", "<Filter><GUID>A</GUID></Filter>"}},
                   "look",
                   1,
                   "names no LUT file"},
        FolderCase{"XmlNamesBrokenLut",
                   {{"look/filter.xml", filterXml("A", "bad.cube")},
                    {"look/bad.cube", "LUT_3D_SIZE 2\n0 0 0\n"}},
                   "look",
                   1,
                   "bad.cube does not load"},
        FolderCase{"GuidsDiffer",
                   {{"look/look.conf", R"({"GUID": "CONF"})"},
                    {"look/filter.xml", filterXml("XML", "a.cube")},
                    {"look/a.cube", kSoundCube}},
                   "look",
                   0,
                   "differs from the .conf's (CONF)"},
        FolderCase{"GuidUsedTwice",
                   {{"LUT/root.conf", kRootConf},
                    {"LUT/a/a.conf", R"({"GUID": "SAME"})"},
                    {"LUT/b/b.conf", R"({"GUID": "SAME"})"}},
                   "LUT",
                   0,
                   "its GUID is also used by"},
        FolderCase{"MissingProgram",
                   {{"LUT/root.conf", R"({"GUID": "ROOT", "OPENCL": "programs/none.cl"})"},
                    {"LUT/a/a.conf", R"({"GUID": "A"})"}},
                   "LUT",
                   1,
                   "none.cl does not exist: the opencl renderer will fail"},
        FolderCase{"EmptyFolder", {{"empty/readme.txt", "nothing"}}, "empty", 1, "no description"},
        FolderCase{"NoSuchPath", {}, "nowhere", 1, "no such file or folder"}),
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
    const std::string good = dir.write("good.cube", kSoundCube);
    const std::string bad = dir.write("bad.cube", "LUT_3D_SIZE 2\n");
    const ProgramResult run = runQlxhost({"check", good, bad, good});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("3 file(s) checked: 1 with errors"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace qlxhosttest
