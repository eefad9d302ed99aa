// Frames rendered through the built plugin's OpenGL path, on host memory with
// the software engine and on the host kit's GL textures with the hardware
// engine, against the same plugin's CPU rendering of the same frames; the pass
// effect; what reaches the GPU per frame.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "gl_render_fixture.h"

namespace qlxgltest {
namespace {

using qlxtest::kCustomGuid;
using qlxtest::kLookGuid;
using qlxtest::sameBytes;
using qlxtest::testPicture;

class GLPathTest : public GLRenderTest, public ::testing::WithParamInterface<FramePath> {
  protected:
    void SetUp() override {
        GLRenderTest::SetUp();
        if (usesDevice(GetParam())) {
            ASSERT_NO_FATAL_FAILURE(lendDevice());
        }
    }
    cv::Mat render(QLXEffect* target, const cv::Mat& input) {
        return renderOn(GetParam(), target, input);
    }
    // The counters of the engine this path uses.
    KRGLEngineStatistics statistics() const {
        return engineStatistics(usesDevice(GetParam()) ? kHardwareEngine : kSoftwareEngine);
    }
};

std::string pathTitle(const ::testing::TestParamInfo<FramePath>& info) {
    return pathName(info.param);
}

const auto kAllPaths = ::testing::Values(FramePath::Memory, FramePath::MemoryOnDevice,
                                         FramePath::Textures, FramePath::TexturesWithHostCopy);

// ---- frames against the CPU path ----------------------------------------------

struct FrameCase {
    FramePath path;
    int width, height, extraPitch, alpha, skin;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << pathName(c.path) << " " << c.width << "x" << c.height << " +" << c.extraPitch
        << " alpha " << c.alpha << " skin " << c.skin;
}

class GLFrames : public GLRenderTest, public ::testing::WithParamInterface<FrameCase> {};

// In-range .CUBE LUTs render bit for bit as on the CPU (llvmpipe).
TEST_P(GLFrames, EqualTheCpuPath) {
    const FrameCase c = GetParam();
    if (usesDevice(c.path)) {
        ASSERT_NO_FATAL_FAILURE(lendDevice());
    }
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(c.alpha, c.skin);
    const cv::Mat input = testPicture(c.width, c.height, 21);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    const cv::Mat got = renderOn(c.path, glEffect, input, c.extraPitch);
    EXPECT_EQ(maxDifference(got, want), 0);
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    PathsSizesStrengths, GLFrames,
    ::testing::Values(FrameCase{FramePath::Memory, 100, 100, 0, 100, 0},
                      FrameCase{FramePath::Memory, 125, 80, 0, 50, 0},
                      FrameCase{FramePath::Memory, 99, 101, 8, 37, 0},
                      FrameCase{FramePath::Memory, 1, 1, 0, 99, 0},
                      FrameCase{FramePath::Memory, 64, 3, 0, 0, 0},
                      FrameCase{FramePath::Memory, 160, 120, 0, 100, 100},
                      FrameCase{FramePath::Memory, 161, 97, 4, 80, 50},
                      FrameCase{FramePath::MemoryOnDevice, 100, 100, 0, 100, 0},
                      FrameCase{FramePath::MemoryOnDevice, 99, 101, 8, 37, 0},
                      FrameCase{FramePath::MemoryOnDevice, 160, 120, 0, 60, 50},
                      FrameCase{FramePath::Textures, 100, 100, 0, 100, 0},
                      FrameCase{FramePath::Textures, 125, 80, 0, 50, 0},
                      FrameCase{FramePath::Textures, 1, 1, 0, 99, 0},
                      FrameCase{FramePath::Textures, 64, 3, 0, 0, 0},
                      FrameCase{FramePath::TexturesWithHostCopy, 160, 120, 0, 100, 100},
                      FrameCase{FramePath::TexturesWithHostCopy, 161, 97, 0, 80, 50}));

// ---- LUT files of other sizes and from the corpus ------------------------------

struct LutCase {
    FramePath path;
    int size;            // a generated cross-talk LUT of this size, or
    const char* corpus;  // a file of the shared corpus (skipped when absent)
};

void PrintTo(const LutCase& c, std::ostream* os) {
    *os << pathName(c.path) << " " << (c.corpus ? c.corpus : std::to_string(c.size).c_str());
}

class GLLutFiles : public GLRenderTest, public ::testing::WithParamInterface<LutCase> {};

// The program declares a 32-point texture at build; other sizes arrive later.
TEST_P(GLLutFiles, ChosenFileRendersAsOnTheCpu) {
    const LutCase c = GetParam();
    std::string file;
    if (c.corpus) {
        file = std::string(QLX_TESTDATA_DIR) + "/luts/" + c.corpus;
        if (!std::ifstream(file).good()) {
            GTEST_SKIP() << file << " is absent";
        }
    } else {
        file = writeLut("chosen.cube", qlxtest::crossTalkCube(c.size));
    }
    if (usesDevice(c.path)) {
        ASSERT_NO_FATAL_FAILURE(lendDevice());
    }
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + file));
    update(100, 0);
    const cv::Mat input = testPicture(96, 64, 4);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    ASSERT_FALSE(sameBytes(want, input)) << "the LUT must change the picture";
    EXPECT_EQ(maxDifference(renderOn(c.path, glEffect, input), want), 0);
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndCorpus, GLLutFiles,
    ::testing::Values(LutCase{FramePath::Memory, 2, nullptr},
                      LutCase{FramePath::Memory, 33, nullptr},
                      LutCase{FramePath::Memory, 65, nullptr},
                      LutCase{FramePath::Textures, 2, nullptr},
                      LutCase{FramePath::Textures, 33, nullptr},
                      LutCase{FramePath::Memory, 0, "openshot_cold_shadows.cube"},
                      LutCase{FramePath::Memory, 0, "openshot_vintage_400_film.cube"},
                      LutCase{FramePath::Textures, 0, "openshot_retro_red_shadows.cube"},
                      LutCase{FramePath::MemoryOnDevice, 0, "openshot_protect_highlights.cube"}));

// ---- the pass effect ---------------------------------------------------------------

TEST_P(GLPathTest, PassEffectCopiesFramesUntilAFileIsChosen) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    const cv::Mat input = testPicture(70, 45, 3);
    EXPECT_TRUE(sameBytes(render(glEffect, input), input)) << "before any parameter";

    context.set("lut3dPath", qlxhost::ParamAnswer::string(""));
    update(100, 0);
    EXPECT_EQ(logCount(kQLXLogInfo, "lut path is empty"), 1);
    EXPECT_TRUE(sameBytes(render(glEffect, input), input)) << "empty lut3dPath";

    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + lutFile));
    update(100, 0);
    const cv::Mat mapped = render(glEffect, input);
    EXPECT_TRUE(sameBytes(mapped, renderInMemory(cpuEffect, input)));
    EXPECT_FALSE(sameBytes(mapped, input));
    EXPECT_EQ(errorLines(), 0);
}

TEST_P(GLPathTest, UnreadableLutPassesFramesThrough) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    const std::string missing = resources.path() + "/gone.cube";
    context.set("lut3dPath", qlxhost::ParamAnswer::string(missing));
    const cv::Mat input = testPicture(40, 20, 2);
    for (int frame = 0; frame < 3; ++frame) {
        update(100, 0);
        EXPECT_TRUE(sameBytes(render(glEffect, input), input));
    }
    // The failed path is tried again at every update (the CPU effect logs its own line).
    EXPECT_EQ(logCount(kQLXLogError, "tonekit::NLEOpenGL3DLut loadCubeFile Failed: " + missing), 3);
}

// Segmentation needs host pixels: texture frames carry a host copy here.
class GLSkinPathTest : public GLPathTest {};

TEST_P(GLSkinPathTest, SkinProtectionReachesTheProgram) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = render(glEffect, input);
    update(100, 100);
    const cv::Mat protectedFrame = render(glEffect, input);
    EXPECT_TRUE(sameBytes(protectedFrame, renderInMemory(cpuEffect, input)));
    EXPECT_FALSE(sameBytes(protectedFrame, unprotected)) << "the picture must hold some skin";
}

// ---- what reaches the GPU ------------------------------------------------------------

// The LUT file is read once and its texels uploaded once while the path stays.
TEST_P(GLPathTest, SteadyPathReadsAndUploadsTheLutOnce) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    const cv::Mat input = testPicture(64, 48, 9);
    update(100, 0);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    const KRGLEngineStatistics before = statistics();
    ASSERT_TRUE(sameBytes(render(glEffect, input), want));
    ASSERT_EQ(std::remove(lutFile.c_str()), 0);  // a second read would now fail
    for (int frame = 0; frame < 4; ++frame) {
        update(100, 0);
        EXPECT_TRUE(sameBytes(render(glEffect, input), want));
    }
    const KRGLEngineStatistics after = statistics();
    EXPECT_EQ(after.volumeUploads - before.volumeUploads, 1u);
    EXPECT_EQ(after.renders - before.renders, 5u);
    EXPECT_EQ(errorLines(), 0);
}

// Twenty frames make no engine effect, build, upload or GL object of their own.
TEST_P(GLPathTest, FramesLeaveNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(90, 0);
    const cv::Mat input = testPicture(48, 32, 10);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    ASSERT_TRUE(sameBytes(render(glEffect, input), want));  // effects built, LUT uploaded
    const KRGLEngineStatistics before = statistics();
    const int objectsBefore = usesDevice(GetParam()) ? liveGLObjects() : 0;
    if (usesDevice(GetParam())) {
        ASSERT_GT(objectsBefore, 0) << "the engine's objects live in the host's context";
    }
    for (int frame = 0; frame < 20; ++frame) {
        update(90, 0);
        ASSERT_TRUE(sameBytes(render(glEffect, input), want));
    }
    const KRGLEngineStatistics after = statistics();
    EXPECT_EQ(after.effectsCreated, before.effectsCreated);
    EXPECT_EQ(after.builds, before.builds);
    EXPECT_EQ(after.volumeUploads, before.volumeUploads);
    EXPECT_EQ(after.renders - before.renders, 20u);
    // Host-memory input is uploaded once a frame; a texture is bound, not copied.
    EXPECT_EQ(after.imageUploads - before.imageUploads, isTexturePath(GetParam()) ? 0u : 20u);
    if (usesDevice(GetParam())) {
        EXPECT_EQ(liveGLObjects(), objectsBefore);
    }
}

TEST_P(GLPathTest, NewOutputSizeResizesWithoutNewEffects) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat small = testPicture(30, 20, 11), large = testPicture(90, 70, 12);
    ASSERT_TRUE(sameBytes(render(glEffect, small), renderInMemory(cpuEffect, small)));
    const KRGLEngineStatistics before = statistics();
    EXPECT_TRUE(sameBytes(render(glEffect, large), renderInMemory(cpuEffect, large)));
    EXPECT_TRUE(sameBytes(render(glEffect, small), renderInMemory(cpuEffect, small)));
    EXPECT_EQ(statistics().effectsCreated, before.effectsCreated);
}

INSTANTIATE_TEST_SUITE_P(Paths, GLPathTest, kAllPaths, pathTitle);
INSTANTIATE_TEST_SUITE_P(Paths, GLSkinPathTest,
                         ::testing::Values(FramePath::Memory, FramePath::MemoryOnDevice,
                                           FramePath::TexturesWithHostCopy),
                         pathTitle);

// ---- threads ---------------------------------------------------------------------------

// Without an OpenGL device the effect is not tied to the preparing thread.
TEST_F(GLRenderTest, RendersFromAnotherThreadWithoutAnOpenGLDevice) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(75, 0);
    const cv::Mat input = testPicture(50, 40, 13);
    const cv::Mat here = renderInMemory(glEffect, input);
    cv::Mat there;
    std::thread other([&] { there = renderInMemory(glEffect, input); });
    other.join();
    EXPECT_TRUE(sameBytes(there, here));
    EXPECT_TRUE(sameBytes(there, renderInMemory(cpuEffect, input)));
    EXPECT_EQ(errorLines(), 0);
}

// Segmentation reads host pixels: texture frames without them render
// unprotected, with one message a frame.
TEST_F(GLRenderTest, TextureFramesWithoutHostPixelsRenderWithoutSkinProtection) {
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    const cv::Mat input = testPicture(160, 120, 5);
    update(100, 0);
    const cv::Mat unprotected = renderInMemory(cpuEffect, input);
    update(100, 100);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderTextures(glEffect, input), unprotected));
    EXPECT_EQ(logCount(kQLXLogError, "tonekit::QLXLutEffect::Render:skin_segment failed."), 2);
    EXPECT_FALSE(sameBytes(renderInMemory(cpuEffect, input), unprotected));
}

}  // namespace
}  // namespace qlxgltest
