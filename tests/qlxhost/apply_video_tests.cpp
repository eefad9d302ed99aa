// qlxhost apply on videos: every frame goes through the plugin, the frame
// count and the audio stream survive, Ctrl-C leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

namespace fs = std::filesystem;

struct StreamFacts {
    std::string codec;
    long count = -1;  // frames (video) or packets (audio)
};

StreamFacts probe(const std::string& file, const char* stream) {
    const bool video = stream[0] == 'v';
    const ProgramResult run = runProgram(
        {"/usr/bin/env", "ffprobe", "-v", "error", "-select_streams", stream,
         video ? "-count_frames" : "-count_packets", "-show_entries",
         video ? "stream=codec_name,nb_read_frames" : "stream=codec_name,nb_read_packets", "-of",
         "csv=p=0", file});
    StreamFacts facts;
    const std::vector<std::string> found = lines(run.out);
    if (run.exitCode != 0 || found.empty()) return facts;
    const std::size_t comma = found.front().find(',');
    facts.codec = found.front().substr(0, comma);
    facts.count = std::stol(found.front().substr(comma + 1));
    return facts;
}

std::string makeVideo(const qlxtest::TempDir& dir, const std::string& name, const char* size,
                      int frames, bool audio) {
    const std::string path = dir.path() + "/" + name;
    const std::string rate = "10";
    std::vector<std::string> argv{
        "/usr/bin/env", "ffmpeg", "-v", "error",
        "-f",           "lavfi",  "-i", std::string("testsrc=size=") + size + ":rate=" + rate};
    if (audio) {
        argv.insert(argv.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100"});
    }
    argv.insert(argv.end(), {"-frames:v", std::to_string(frames), "-pix_fmt", "yuv420p"});
    if (audio) argv.insert(argv.end(), {"-c:a", "aac", "-t", std::to_string(frames / 10.0)});
    argv.push_back(path);
    const ProgramResult run = runProgram(argv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path;
}

class ApplyVideo : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveProgram("ffmpeg") || !haveProgram("ffprobe")) GTEST_SKIP() << "ffmpeg missing";
    }
    qlxtest::TempDir dir;
};

struct VideoCase {
    const char* name;
    const char* container;
    bool audio;
    bool compare;
};

class ApplyVideoCases : public ApplyVideo, public ::testing::WithParamInterface<VideoCase> {};

TEST_P(ApplyVideoCases, KeepsEveryFrameAndTheAudio) {
    const VideoCase& c = GetParam();
    const std::string in = makeVideo(dir, std::string("in") + c.container, "64x48", 10, c.audio);
    const std::string out = dir.path() + "/out" + c.container;
    std::vector<std::string> args{"apply", "--lut",
                                  dir.write("tint.cube",
                                            "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n"
                                            "0 0 .5\n1 0 .5\n0 1 .5\n1 1 .5\n")};
    if (c.compare) args.insert(args.end(), {"--compare", "side"});
    args.insert(args.end(), {in, out});
    const ProgramResult run = runQlxhost(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("10 frames"), std::string::npos) << run.out;

    std::vector<std::string> outputs{out};
    if (c.compare) outputs.push_back(dir.path() + "/out.compare" + c.container);
    for (const std::string& file : outputs) {
        EXPECT_EQ(probe(file, "v:0").count, 10) << file;
        const StreamFacts audioIn = probe(in, "a:0"), audioOut = probe(file, "a:0");
        EXPECT_EQ(audioOut.codec, audioIn.codec) << file;
        EXPECT_EQ(audioOut.count, audioIn.count) << file;
    }
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos)
            << "temporary left: " << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, ApplyVideoCases,
                         ::testing::Values(VideoCase{"Mp4WithAudio", ".mp4", true, false},
                                           VideoCase{"MkvWithAudioAndCompare", ".mkv", true, true},
                                           VideoCase{"MovSilent", ".mov", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyVideo, CtrlCStopsAndLeavesNoOutput) {
    const std::string in = makeVideo(dir, "long.mp4", "320x240", 600, true);
    const std::string out = dir.path() + "/out.mp4";
    Background job({QLXHOST_PROGRAM, "apply", "--lut",
                    dir.write("dark.cube",
                              "LUT_3D_SIZE 2\n0 0 0\n.5 0 0\n0 .5 0\n.5 .5 0\n0 0 .5\n"
                              ".5 0 .5\n0 .5 .5\n.5 .5 .5\n"),
                    in, out});
    // The temporary appears once the encoder has started: the work is under way.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            started |= entry.path().filename().string().find(".part-") != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(started);
    kill(job.pid(), SIGINT);
    const ProgramResult run = job.wait();
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
    EXPECT_FALSE(fs::exists(out));
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos)
            << "temporary left: " << entry.path();
    }
}

}  // namespace
}  // namespace qlxhosttest
