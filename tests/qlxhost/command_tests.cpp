// Bad input of every kind: one line on stderr naming the problem, a non-zero
// exit status, and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <set>

#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

struct ErrorCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // made in {dir} beforehand
    std::vector<std::string> args;                           // "{dir}" is the temporary folder
    std::vector<std::string> env;
    int exitCode;
    const char* message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

std::set<std::string> contents(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.insert(entry.path().string());
    }
    return names;
}

class ErrorExit : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorExit, SaysWhatIsWrongInOneLine) {
    const ErrorCase& c = GetParam();
    qlxtest::TempDir dir;
    const cv::Mat picture = makePicture(16, 12, 1);
    cv::imwrite(dir.path() + "/in.png", picture);
    for (const auto& [path, content] : c.files) dir.write(path, content);
    std::vector<std::string> args;
    for (std::string arg : c.args) {
        for (std::size_t at; (at = arg.find("{dir}")) != std::string::npos;) {
            arg.replace(at, 5, dir.path());
        }
        args.push_back(arg);
    }
    const std::set<std::string> before = contents(dir.path());

    const ProgramResult run = runQlxhost(args, c.env);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    const std::vector<std::string> said = lines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_EQ(said.front().rfind("qlxhost: ", 0), 0u) << said.front();
    EXPECT_NE(said.front().find(c.message), std::string::npos) << said.front();
    EXPECT_EQ(contents(dir.path()), before) << "something was written";
}

const std::string kBrokenCube = "LUT_3D_SIZE 2\n0 0 0\n";
const std::string kSoundCube =
    "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

INSTANTIATE_TEST_SUITE_P(
    BadInput, ErrorExit,
    ::testing::Values(
        ErrorCase{"MissingInput",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/none.png", "{dir}/out.png"},
                  {},
                  1,
                  "none.png: no such file"},
        ErrorCase{"UnsupportedInput",
                  {{"a.cube", kSoundCube}, {"in.gif", "GIF89a"}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.gif", "{dir}/out.png"},
                  {},
                  1,
                  "unsupported file type"},
        ErrorCase{"OutputOfAnotherKind",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.png", "{dir}/out.mp4"},
                  {},
                  1,
                  "the output must be a picture"},
        ErrorCase{"UnreadablePicture",
                  {{"a.cube", kSoundCube}, {"bad.png", "not a picture"}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/bad.png", "{dir}/out.png"},
                  {},
                  1,
                  "bad.png: not a readable PNG, JPEG or TIFF picture"},
        ErrorCase{"UndecodableVideo",
                  {{"a.cube", kSoundCube}, {"bad.mp4", "not a video at all"}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/bad.mp4", "{dir}/out.mp4"},
                  {},
                  1,
                  "ffmpeg cannot decode"},
        ErrorCase{"MissingFfmpeg",
                  {{"a.cube", kSoundCube}, {"in.mp4", "x"}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.mp4", "{dir}/out.mp4"},
                  {"PATH=/nonexistent"},
                  1,
                  "the ffmpeg and ffprobe programs, which were not found"},
        ErrorCase{"UnknownFilter",
                  {},
                  {"apply", "--filter", "No Such Look", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  2,
                  "no filter is named 'No Such Look'"},
        ErrorCase{
            "AlphaTooHigh",
            {{"a.cube", kSoundCube}},
            {"apply", "--lut", "{dir}/a.cube", "--alpha", "150", "{dir}/in.png", "{dir}/out.png"},
            {},
            2,
            "--alpha: Value 150 not in range"},
        ErrorCase{"AlphaNegative",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "--alpha=-1", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  2,
                  "--alpha"},
        ErrorCase{
            "AlphaNotANumber",
            {{"a.cube", kSoundCube}},
            {"apply", "--lut", "{dir}/a.cube", "--alpha", "lots", "{dir}/in.png", "{dir}/out.png"},
            {},
            2,
            "--alpha"},
        ErrorCase{"SkinProtectTooHigh",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "--skin-protect", "101", "{dir}/in.png",
                   "{dir}/out.png"},
                  {},
                  2,
                  "--skin-protect"},
        ErrorCase{"UnknownRenderer",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "--renderer", "vulkan", "{dir}/in.png",
                   "{dir}/out.png"},
                  {},
                  2,
                  "--renderer"},
        ErrorCase{
            "FilterAndLut",
            {{"a.cube", kSoundCube}},
            {"apply", "--lut", "{dir}/a.cube", "--filter", "Warm", "{dir}/in.png", "{dir}/out.png"},
            {},
            2,
            "excludes"},
        ErrorCase{"NeitherFilterNorLut",
                  {},
                  {"apply", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  2,
                  "--filter or --lut is required"},
        ErrorCase{"MissingOut",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.png"},
                  {},
                  2,
                  "OUT"},
        ErrorCase{"LutDoesNotLoad",
                  {{"bad.cube", kBrokenCube}},
                  {"apply", "--lut", "{dir}/bad.cube", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  1,
                  "bad.cube does not load; 'qlxhost check"},
        ErrorCase{"LutOfAnotherFormat",
                  {{"grade.csp", "CSPLUTV100\n"}},
                  {"apply", "--lut", "{dir}/grade.csp", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  1,
                  "not a LUT file"},
        ErrorCase{"MissingLutFile",
                  {},
                  {"apply", "--lut", "{dir}/none.cube", "{dir}/in.png", "{dir}/out.png"},
                  {},
                  1,
                  "none.cube: no such LUT file"},
        ErrorCase{"OutputFolderMissing",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.png", "{dir}/no/out.png"},
                  {},
                  1,
                  "does not exist"},
        ErrorCase{"OutputIsInput",
                  {{"a.cube", kSoundCube}},
                  {"apply", "--lut", "{dir}/a.cube", "{dir}/in.png", "{dir}/./in.png"},
                  {},
                  1,
                  "is the input"},
        ErrorCase{"CustomFilterWithoutLut",
                  {},
                  {"apply", "--filter", "74EB022D-1D73-4D1E-9F70-487C356D46CD", "{dir}/in.png",
                   "{dir}/out.png"},
                  {},
                  2,
                  "takes its LUT from --lut"},
        ErrorCase{"MissingLutFolder",
                  {},
                  {"list", "--lut-folder", "{dir}/none"},
                  {},
                  1,
                  "the LUT folder "},
        ErrorCase{"LutFolderWithoutDescription",
                  {{"LUT/a/a.conf", R"({"GUID": "A"})"}},
                  {"list", "--lut-folder", "{dir}/LUT"},
                  {},
                  1,
                  "Parse LUT Filter Folder Failed"},
        ErrorCase{"MissingPlugin",
                  {},
                  {"--plugin", "{dir}/none.qlx", "list"},
                  {},
                  1,
                  "none.qlx does not exist"},
        ErrorCase{"NotAPlugin",
                  {{"fake.qlx", "not a library"}},
                  {"--plugin", "{dir}/fake.qlx", "list"},
                  {},
                  1,
                  "cannot load"},
        ErrorCase{"UnknownCommand", {}, {"frobnicate"}, {}, 2, "frobnicate"},
        ErrorCase{"NoCommand", {}, {}, {}, 2, "subcommand is required"},
        ErrorCase{"DemoIntoAFile",
                  {{"taken", "a file"}},
                  {"demo", "--out", "{dir}/taken"},
                  {},
                  1,
                  "cannot create the folder"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlxhosttest
