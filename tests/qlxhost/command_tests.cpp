// qlxhost's commands end to end, in a folder of made files. Bad input of every
// kind gets one line on stderr naming the problem and its exit status, and
// nothing is written and no input changed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "host_render.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

struct ErrorCase {
    const char* name;
    const char* command;  // run in a folder holding the files below; "PATH=x " sets PATH
    int exitCode;
    const char* message;  // the one line on stderr; or, split at '|', what stdout holds
};

std::map<std::string, std::string> contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files[entry.path().string()] =
            entry.is_regular_file() ? qlxtest::readFile(entry.path()) : "";
    }
    return files;
}

// clang-format off
const char* const kFiles[][2] = {
    {"a.cube", "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n"},
    {"bad.cube", "LUT_3D_SIZE 2\n0 0 0\n"}, {"grade.csp", "CSPLUTV100\n"}, {"in.gif", "GIF89a"},
    {"bad.png", "not a picture"}, {"bad.mp4", "not a video"}, {"fake.qlx", "not a library"},
    {"LUT/a/a.conf", R"({"GUID": "A"})"},
    {"looks/root.conf", R"({"GUID": "ROOT", "NAME": "Everything"})"},
    {"looks/plain/plain.conf", R"({"GUID": "PLAIN", "NAME": "Plain"})"},
    {"looks/good/filter.xml", "<Filter><GUID>GOOD</GUID><Name>Good</Name><LUT><LutFile>"
                              "../../a.cube</LutFile></LUT></Filter>"},
    {"looks/broken/filter.xml", "<Filter><GUID>BAD</GUID><Name>Bad</Name><LUT><LutFile>"
                                "../../bad.cube</LutFile></LUT></Filter>"}};
// clang-format on

void makeFiles(const qlxtest::TempDir& dir, const std::string& command) {
    const auto cutShort = [](const std::string& file) {  // its second half cut off
        fs::resize_file(file, fs::file_size(file) / 2);
    };
    for (const auto& file : kFiles) dir.write(file[0], file[1]);
    cv::imwrite(dir.path() + "/in.png", makePicture(16, 12, 1));
    cv::imwrite(dir.path() + "/taken.png", makePicture(4, 4, 2));
    cv::imwrite(dir.path() + "/cut.jpg", makePicture(64, 64, 3), {cv::IMWRITE_JPEG_QUALITY, 100});
    cutShort(dir.path() + "/cut.jpg");
    for (const char* fifo : {"/fifo.png", "/fifo.cube"}) mkfifo((dir.path() + fifo).c_str(), 0600);
    if (command.find("cut.mp4") == std::string::npos) return;
    ASSERT_TRUE(haveProgram("ffmpeg"));
    const ProgramResult made =
        runProgram({"/usr/bin/env", "ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc",
                    "-frames:v", "30", "-movflags", "+faststart", dir.path() + "/cut.mp4"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    cutShort(dir.path() + "/cut.mp4");
}

class Command : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Command, SaysWhatItDidOrWhatIsWrong) {
    const ErrorCase& c = GetParam();
    qlxtest::TempDir dir;
    makeFiles(dir, c.command);
    const auto before = contents(dir.path());
    RunIn in(dir.path());
    std::vector<std::string> args;
    std::istringstream words(c.command);
    for (std::string word; words >> word;) (word.rfind("PATH=", 0) ? args : in.env).push_back(word);
    const ProgramResult run = runQlxhost(args, in);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    std::istringstream expected(c.message);
    if (expected.str().find('|') != std::string::npos) {
        for (std::string part; std::getline(expected, part, '|');) {
            EXPECT_NE(run.out.find(part), std::string::npos) << part << " not in\n" << run.out;
        }
        return;
    }
    const std::vector<std::string> said = lines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_EQ(said.front().rfind("qlxhost: ", 0), 0u) << said.front();
    EXPECT_NE(said.front().find(c.message), std::string::npos) << said.front();
    EXPECT_TRUE(contents(dir.path()) == before) << "a file was written or changed";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, Command, ::testing::Values(
    ErrorCase{"ListBundled", "list", 0, "(not a look): LUT (|cool/cool.3dl (loads)|per use"},
    ErrorCase{"ListJson", "list --json", 0, "\"kind\": \"folder-description\"|(loads)\""},
    ErrorCase{"ListAnyFolder", "list --lut-folder looks", 0,
              "a.cube (loads)|bad.cube (DOES NOT LOAD|no filter.xml|look): Everything"},
    ErrorCase{"CheckJson", "check --json bad.cube a.cube", 1,
              "\"ok\": false|\"severity\": \"error\"|\"ok\": true"},
    ErrorCase{"Demo", "demo --out sheet", 0, "sheet/contact-sheet.png|"},
    ErrorCase{"IntoAFolder", "apply -y -l a.cube in.png taken.png LUT", 0,
              "wrote LUT/in.png|wrote LUT/taken.png"},

    ErrorCase{"MissingInput", "apply -l a.cube none.png out.png", 1, "none.png: no such picture"},
    ErrorCase{"FifoInput", "apply -l a.cube fifo.png out.png", 1, "fifo.png: not a regular file"},
    ErrorCase{"UnsupportedInput", "apply -l a.cube in.gif out.png", 2, "unsupported file type"},
    ErrorCase{"OutputOfAnotherKind", "apply -l a.cube in.png out.mp4", 2, "must be a picture"},
    ErrorCase{"OutputWithoutExtension", "apply -l a.cube in.png graded", 2, "or a folder"},
    ErrorCase{"OutputFolderMissing", "apply -l a.cube in.png no/", 1, "folder no/ does not"},
    ErrorCase{"SeveralInputsOneFile", "apply -l a.cube in.png in.png o.png", 2, "output folder"},
    ErrorCase{"OutputExists", "apply -l a.cube in.png taken.png", 1, "exists; add -y"},
    ErrorCase{"OutputIsInput", "apply -y -l a.cube in.png ./in.png", 1, "is the input"},
    ErrorCase{"CompareToStdout", "apply -l a.cube --compare side in.png -", 2, "not '-'"},
    ErrorCase{"UnreadablePicture", "apply -l a.cube bad.png out.png", 1, "not a readable PNG"},
    ErrorCase{"TruncatedJpeg", "apply -l a.cube cut.jpg out.jpg", 1, "Premature end of JPEG"},
    ErrorCase{"UndecodableVideo", "apply -l a.cube bad.mp4 out.mp4", 1, "cannot decode"},
    ErrorCase{"CutShortVideo", "apply -l a.cube cut.mp4 out.mp4", 1, "damaged or cut short"},
    ErrorCase{"MissingFfmpeg", "PATH=/none apply -l a.cube bad.mp4 o.mp4", 1, "were not found"},
    ErrorCase{"UnknownFilter", "apply -f Nothing in.png out.png", 2, "no filter is named"},
    ErrorCase{"RootDescription", "apply -f LUT in.png out.png", 2, "description, not a look"},
    ErrorCase{"CustomLutByGuid", "apply -f 74eb022d-1d73-4d1e-9f70-487c356d46cd in.png o.png",
              2, "takes its LUT from --lut"},
    ErrorCase{"AlphaTooHigh", "apply -l a.cube -a 150 in.png o.png", 2, "Value 150 not in"},
    ErrorCase{"AlphaFraction", "apply -l a.cube -a 50.5 in.png o.png", 2, "must be a whole"},
    ErrorCase{"QualityZero", "apply -l a.cube -q 0 in.png o.jpg", 2, "--quality"},
    ErrorCase{"UnknownRenderer", "apply -l a.cube -r vulkan in.png o.png", 2, "--renderer"},
    ErrorCase{"FilterAndLut", "apply -l a.cube -f Cool in.png out.png", 2, "excludes"},
    ErrorCase{"NeitherFilterNorLut", "apply in.png out.png", 2, "--filter or --lut"},
    ErrorCase{"MissingOut", "apply -l a.cube in.png", 2, "OUT is required"},
    ErrorCase{"LutDoesNotLoadCpu", "apply -l bad.cube in.png o.png", 1, "does not load"},
    ErrorCase{"LutDoesNotLoadGl", "apply -r opengl -l bad.cube in.png o.png", 1, "not load"},
    ErrorCase{"LutDoesNotLoadCl", "apply -r opencl -l bad.cube in.png o.png", 1, "not load"},
    ErrorCase{"LutOfAnotherFormat", "apply -l grade.csp in.png out.png", 2, "not a LUT file"},
    ErrorCase{"MissingLutFile", "apply -l none.cube in.png out.png", 1, "no such LUT file"},
    ErrorCase{"FifoLutFile", "apply -l fifo.cube in.png out.png", 1, "fifo.cube: not a regular"},
    ErrorCase{"MissingLutFolder", "list --lut-folder none", 1, "the LUT folder "},
    ErrorCase{"LutFolderWithoutDescription", "list --lut-folder LUT", 1, "Parse LUT Filter"},
    ErrorCase{"NotAPlugin", "--plugin fake.qlx list", 1, "cannot load"},
    ErrorCase{"UnknownCommand", "frobnicate", 2, "frobnicate"},
    ErrorCase{"NoCommand", "", 2, "subcommand is required"},
    ErrorCase{"DemoIntoAFile", "demo --out taken.png", 1, "cannot create the folder"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace qlxhosttest
