// qlxhost apply on videos: every frame goes through the plugin with the
// input's colour matrix and range, the output is tagged as the input, the
// audio survives, the encoder takes its settings, and Ctrl-C leaves nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/core.hpp>
#include <sstream>

#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

const char kIdentity[] = "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

// ffmpeg or ffprobe with `words` split at spaces, run in `folder`: its output.
std::string tool(const char* program, const std::string& words, const std::string& folder) {
    std::vector<std::string> argv{"/usr/bin/env", program, "-v", "error"};
    std::istringstream in(words);
    for (std::string word; in >> word;) argv.push_back(word);
    const ProgramResult run = runProgram(argv, {folder});
    EXPECT_EQ(run.exitCode, 0) << words << ": " << run.err;
    return run.out;
}

// The mean red, green and blue of the first frame, decoded as BT.709.
cv::Scalar meanColour(const std::string& file, const std::string& folder) {
    const std::string rgb = tool("ffmpeg",
                                 "-i " + file + " -frames:v 1 -f rawvideo -vf " +
                                     "scale=in_color_matrix=bt709:in_range=tv,format=rgb24 -",
                                 folder);
    return cv::mean(cv::Mat(1, static_cast<int>(rgb.size() / 3), CV_8UC3, (void*)rgb.data()));
}

struct VideoCase {
    const char* name;
    const char* input;   // ffmpeg's options for in.mp4, 5 frames of testsrc2
    const char* apply;   // qlxhost's options, then its output
    const char* probed;  // codec, colour range, matrix, transfer, primaries, frames
    const char* audio;   // codec, or empty
    const char* marker;  // what the encoder wrote into the file for its settings
    const char* said;    // on stderr
};

class ApplyVideo : public ::testing::TestWithParam<VideoCase> {
  protected:
    void SetUp() override {
        if (!haveProgram("ffmpeg") || !haveProgram("ffprobe")) GTEST_SKIP() << "ffmpeg missing";
    }
    qlxtest::TempDir dir;
};

// Through an identity LUT what comes out shows only the colour conversion.
TEST_P(ApplyVideo, KeepsFramesColourTagsAndAudio) {
    const VideoCase& c = GetParam();
    const std::string made = "-f lavfi -i testsrc2=rate=10:size=" + std::string(c.input);
    tool("ffmpeg", made + " -frames:v 5 -pix_fmt yuv420p in.mp4", dir.path());
    std::vector<std::string> args{"apply", "-l", dir.write("id.cube", kIdentity), "in.mp4"};
    std::istringstream words(c.apply);
    for (std::string word; words >> word;) args.push_back(word);
    const ProgramResult run = runQlxhost(args, {dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    const std::string out = args.back(), probe = "-of csv=p=0 -show_entries stream=codec_name";
    const std::string video = probe + ",nb_read_frames,color_range,color_space,color_transfer,";
    EXPECT_EQ(tool("ffprobe", video + "color_primaries -count_frames -select_streams v " + out,
                   dir.path()),
              std::string(c.probed) + "\n");
    EXPECT_EQ(tool("ffprobe", probe + " -select_streams a " + out, dir.path()), c.audio);
    const cv::Scalar before = meanColour("in.mp4", dir.path()), after = meanColour(out, dir.path());
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(after[i], before[i], 1.5) << "channel " << i;
    EXPECT_NE(qlxtest::readFile(dir.path() + "/" + out).find(c.marker), std::string::npos);
}

#define AAC_AUDIO " -f lavfi -i sine -t 1 -c:a aac"
#define BT709                                                                     \
    " -vf scale=out_color_matrix=bt709 -colorspace bt709 -color_primaries bt709 " \
    "-color_trc bt709 -color_range tv"

// clang-format off
INSTANTIATE_TEST_SUITE_P(Clips, ApplyVideo, ::testing::Values(
    VideoCase{"Bt709Mp4", "64x48" AAC_AUDIO BT709, "out.mp4", "h264,tv,bt709,bt709,bt709,5",
              "aac\n", "crf=16.0", ""},
    VideoCase{"UntaggedHdMov", "1280x720", "--crf 30 --preset ultrafast out.mov",
              "h264,tv,bt709,unknown,unknown,5", "", "crf=30.0", ""},
    VideoCase{"AacIntoWebm", "64x48" AAC_AUDIO BT709, "out.webm", "vp9,tv,bt709,bt709,bt709,5",
              "opus\n", "webm", "re-encoded as Opus"},
    VideoCase{"Mpeg4IntoMkv", "64x48" AAC_AUDIO BT709, "--video-codec mpeg4 out.mkv",
              "mpeg4,tv,bt709,bt709,bt709,5", "aac\n", "mpeg4", ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ApplyVideoStop, CtrlCStopsWithinASecondAndLeavesNoOutput) {
    if (!haveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    qlxtest::TempDir dir;
    tool("ffmpeg", "-f lavfi -i testsrc2=size=320x240 -frames:v 600 long.mp4", dir.path());
    dir.write("id.cube", kIdentity);
    // Ctrl-C once the temporary output shows the work under way; then the
    // exit status and the milliseconds it took to stop.
    const ProgramResult run = runProgram(
        {"/bin/sh", "-c",
         "\"$0\" apply -l id.cube long.mp4 out.mp4 2>err & n=0; "
         "until ls .out.part-* >/dev/null 2>&1 || [ $n -gt 6000 ]; do sleep .01; n=$((n+1)); done; "
         "kill -INT $!; from=$(date +%s%N); wait $!; echo $? $((($(date +%s%N) - from) / 1000000))",
         QLXHOST_PROGRAM},
        {dir.path()});
    int status = 0, milliseconds = 0;
    std::istringstream(run.out) >> status >> milliseconds;
    EXPECT_EQ(status, 130) << qlxtest::readFile(dir.path() + "/err");
    EXPECT_LT(milliseconds, 1000);
    EXPECT_EQ(lines(qlxtest::readFile(dir.path() + "/err")).size(), 1u);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find("out"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace qlxhosttest
