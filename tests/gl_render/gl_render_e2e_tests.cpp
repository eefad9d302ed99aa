// Frames through the built plugin's OpenGL path (host memory with the software
// engine, host memory and GL textures with the hardware engine in the host's
// context) against the same plugin's CPU rendering; what reaches the GPU; the
// failures a host sees.
#include <thread>

#include "gl_render_fixture.h"

namespace qlxgltest {
namespace {

using qlxtest::kCustomGuid;
using qlxtest::kLookGuid;
using qlxtest::sameBytes;
using qlxtest::testPicture;

struct FrameCase {
    FramePath path;
    const char* lut;  // a file under the bundled LUT folder, or "" for the look's .CUBE
    int width, height, extraPitch, alpha, skin;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << pathName(c.path) << " " << c.lut << " " << c.width << "x" << c.height << " +"
        << c.extraPitch << " alpha " << c.alpha << " skin " << c.skin;
}

class GLFrames : public GLRenderTest, public ::testing::WithParamInterface<FrameCase> {};

// Skin protection on texture-only frames segments the frame read back.
TEST_P(GLFrames, EqualTheCpuPath) {
    const FrameCase c = GetParam();
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(c.path));
    ASSERT_NO_FATAL_FAILURE(makeBoth(*c.lut ? kCustomGuid : kLookGuid));
    if (*c.lut)
        context.set("lut3dPath",
                    qlxhost::ParamAnswer::string(std::string(QLX_LUT_FOLDER) + "/" + c.lut));
    update(c.alpha, 0);
    const cv::Mat input = testPicture(c.width, c.height, 21);
    const cv::Mat unprotected = renderInMemory(cpuEffect, input);
    update(c.alpha, c.skin);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    if (c.skin) {
        ASSERT_FALSE(sameBytes(want, unprotected)) << "the picture must hold some skin";
    }
    EXPECT_TRUE(sameBytes(renderOn(c.path, glEffect, input, c.extraPitch), want));
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    PathsLutsStrengths, GLFrames,
    ::testing::Values(FrameCase{FramePath::Memory, "", 100, 100, 0, 100, 0},
                      FrameCase{FramePath::Memory, "", 99, 101, 8, 37, 0},
                      FrameCase{FramePath::Memory, "", 1, 1, 0, 99, 0},
                      FrameCase{FramePath::Memory, "", 161, 97, 4, 80, 50},
                      FrameCase{FramePath::Memory, "bleach_bypass/bleach_bypass.3dl", 96, 64, 0,
                                100, 0},
                      FrameCase{FramePath::MemoryOnDevice, "", 160, 120, 0, 60, 50},
                      FrameCase{FramePath::MemoryOnDevice, "sepia/sepia.3dl", 96, 64, 0, 70, 0},
                      FrameCase{FramePath::Textures, "", 125, 80, 0, 50, 0},
                      FrameCase{FramePath::Textures, "", 64, 3, 0, 0, 0},
                      FrameCase{FramePath::Textures, "", 160, 120, 0, 100, 100},
                      FrameCase{FramePath::Textures, "cool/cool.3dl", 161, 97, 0, 80, 50}));

class GLPaths : public GLRenderTest, public ::testing::WithParamInterface<FramePath> {};

// Until a file loads, frames go through the pass effect unchanged.
TEST_P(GLPaths, FramesPassThroughUntilAFileLoads) {
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(GetParam()));
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid));
    const cv::Mat input = testPicture(70, 45, 3);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), input)) << "before any file";
    context.set("lut3dPath", qlxhost::ParamAnswer::string(resources.path() + "/gone.cube"));
    update(100, 0);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), input)) << "unreadable file";
    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + lutFile));
    update(100, 0);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), renderInMemory(cpuEffect, input)));
}

// Twenty frames read the LUT file once and make no engine effect, build or
// LUT upload of their own; a new output size resizes the effects.
TEST_P(GLPaths, SteadyFramesReuseTheEffectsAndTheLut) {
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(GetParam()));
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(90, 0);
    const cv::Mat input = testPicture(48, 32, 10), large = testPicture(90, 70, 12);
    const cv::Mat want = renderInMemory(cpuEffect, input);
    ASSERT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), want));
    const KRGLEngineStatistics before = statistics(GetParam());
    ASSERT_EQ(std::remove(lutFile.c_str()), 0);  // a second read would now fail
    for (int frame = 0; frame < 20; ++frame) {
        update(90, 0);
        ASSERT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), want));
    }
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), glEffect, large), renderInMemory(cpuEffect, large)));
    const KRGLEngineStatistics after = statistics(GetParam());
    EXPECT_EQ(after.effectsCreated, before.effectsCreated);
    EXPECT_EQ(after.builds, before.builds);
    EXPECT_EQ(after.volumeUploads, before.volumeUploads);
    EXPECT_EQ(after.renders - before.renders, 21u);
    EXPECT_EQ(errorLines(), 0);
}

// The first frame fails to build; the unbuilt effect then fails to render.
TEST_P(GLPaths, UnusableProgramFailsEveryFrame) {
    useProgram("this is not GLSL\n");
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(GetParam()));
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(24, 16, 3);
    for (int frame = 0; frame < 3; ++frame) {
        const cv::Mat output = renderOn(GetParam(), glEffect, input, 0, kQLXFailed);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 0x5A), 0) << "output left alone";
    }
    EXPECT_EQ(logCount(kQLXLogError, "Create 3DLUT OpenGL Effect Failed: "), 1);
    EXPECT_EQ(logCount(kQLXLogError, "AdjustColorOpenGL Effect Prepare failed!"), 1);
    EXPECT_EQ(logCount(kQLXLogError, "LUT Opengl Render Failed."), 2);
}

INSTANTIATE_TEST_SUITE_P(Paths, GLPaths,
                         ::testing::Values(FramePath::Memory, FramePath::MemoryOnDevice,
                                           FramePath::Textures),
                         [](const auto& info) { return std::string(pathName(info.param)); });

// With an OpenGL device, only the preparing thread renders.
TEST_F(GLRenderTest, OpenGLDeviceRefusesFramesFromAnotherThread) {
    ASSERT_NO_FATAL_FAILURE(lendDeviceFor(FramePath::MemoryOnDevice));
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(20, 10, 4);
    std::thread other([&] { renderInMemory(glEffect, input, 0, kQLXFailed); });
    other.join();
    EXPECT_EQ(logCount(kQLXLogError, "GLRender:ThreadID is changed!"), 1);
    EXPECT_TRUE(sameBytes(renderInMemory(glEffect, input), renderInMemory(cpuEffect, input)));
}

}  // namespace
}  // namespace qlxgltest
