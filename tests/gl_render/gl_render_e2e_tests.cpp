// Frames through the built plugin's OpenCL and OpenGL paths (host memory with
// the software engine, host memory and GL textures with the hardware engine in
// the host's context, the kit's OpenCL frames) against the same plugin's CPU
// rendering; the rules every renderer keeps; what reaches the GPU; the
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
    Kind kind;
    const char* lut;  // a file under the bundled LUT folder, or "" for the look's .CUBE
    int width, height, extraPitch, alpha, skin;
};

class Frames : public RendererTest, public ::testing::WithParamInterface<FrameCase> {};

// Skin protection segments the input where it lives: host memory, the OpenCL
// image, or the GL texture read back.
TEST_P(Frames, EqualTheCpuPath) {
    const FrameCase c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeBoth(*c.lut ? kCustomGuid : kLookGuid, c.kind));
    if (*c.lut)
        context.set("lut3dPath",
                    qlxhost::ParamAnswer::string(std::string(QLX_LUT_FOLDER) + "/" + c.lut));
    update(c.alpha, 0);
    const cv::Mat input = testPicture(c.width, c.height, 21);
    const cv::Mat unprotected = renderOnCpu(input);
    update(c.alpha, c.skin);
    const cv::Mat want = renderOnCpu(input);
    EXPECT_EQ(sameBytes(want, unprotected), c.skin == 0) << "the picture must hold some skin";
    EXPECT_TRUE(sameBytes(renderOn(c.kind, target, input, c.extraPitch), want));
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    KindsLutsStrengths, Frames,
    ::testing::Values(FrameCase{Kind::OpenCL, "", 100, 100, 0, 100, 0},
                      FrameCase{Kind::OpenCL, "", 99, 101, 8, 37, 0},
                      FrameCase{Kind::OpenCL, "", 64, 3, 0, 0, 0},
                      FrameCase{Kind::OpenCL, "sepia/sepia.3dl", 1, 1, 0, 99, 0},
                      FrameCase{Kind::OpenCL, "", 160, 120, 16, 100, 50},
                      FrameCase{Kind::GLMemory, "", 99, 101, 8, 37, 0},
                      FrameCase{Kind::GLMemory, "", 1, 1, 0, 99, 0},
                      FrameCase{Kind::GLMemory, "", 161, 97, 4, 80, 50},
                      FrameCase{Kind::GLMemory, "bleach_bypass/bleach_bypass.3dl", 96, 64, 0, 100,
                                0},
                      FrameCase{Kind::GLOnDevice, "", 160, 120, 0, 60, 50},
                      FrameCase{Kind::GLOnDevice, "sepia/sepia.3dl", 96, 64, 0, 70, 0},
                      FrameCase{Kind::GLTextures, "", 64, 3, 0, 0, 0},
                      FrameCase{Kind::GLTextures, "", 160, 120, 0, 100, 100},
                      FrameCase{Kind::GLTextures, "cool/cool.3dl", 161, 97, 0, 80, 50}));

class Kinds : public RendererTest, public ::testing::WithParamInterface<Kind> {};
const auto kKindNames = [](const auto& info) { return std::string(kindName(info.param)); };

// Until a file loads, frames pass through unchanged.
TEST_P(Kinds, CustomFilterRendersTheChosenFileOnceItLoads) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kCustomGuid, GetParam()));
    update(100, 0);
    const cv::Mat input = testPicture(70, 45, 3);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), target, input), input)) << "before any file";
    context.set("lut3dPath", qlxhost::ParamAnswer::string(resources.path() + "/gone.cube"));
    update(100, 0);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), target, input), input)) << "unreadable file";
    context.set("lut3dPath", qlxhost::ParamAnswer::string("file:/" + lutFile));
    update(100, 0);
    const cv::Mat mapped = renderOn(GetParam(), target, input);
    EXPECT_TRUE(sameBytes(mapped, renderOnCpu(input)));
    EXPECT_FALSE(sameBytes(mapped, input));
}

// A frame whose skin cannot be found says so and renders without protection.
TEST_P(Kinds, MissingSegmentationPluginRendersWithoutProtection) {
    qlxtest::TempDir empty;
    host.util.paths[kQLXPathPluginFolder] = empty.path();
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid, GetParam()));
    update(100, 100);
    const cv::Mat input = testPicture(60, 40, 3);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(sameBytes(renderOn(GetParam(), target, input), applied(input, lutFile)));
    EXPECT_EQ(logCount(kQLXLogError, "tonekit::QLXLutEffect::Render:skin_segment failed."), 2);
}

INSTANTIATE_TEST_SUITE_P(Renderers, Kinds,
                         ::testing::Values(Kind::Cpu, Kind::OpenCL, Kind::GLMemory,
                                           Kind::GLOnDevice, Kind::GLTextures),
                         kKindNames);

class GLKinds : public RendererTest, public ::testing::WithParamInterface<Kind> {};

// Twenty frames read the LUT file once and make no engine effect, build or
// LUT upload of their own; a new output size resizes the effects.
TEST_P(GLKinds, SteadyFramesReuseTheEffectsAndTheLut) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid, GetParam()));
    update(90, 0);
    const cv::Mat input = testPicture(48, 32, 10), large = testPicture(90, 70, 12);
    const cv::Mat want = renderOnCpu(input);
    ASSERT_TRUE(sameBytes(renderOn(GetParam(), target, input), want));
    const KRGLEngineStatistics before = statistics(GetParam());
    ASSERT_EQ(std::remove(lutFile.c_str()), 0);  // a second read would now fail
    for (int frame = 0; frame < 20; ++frame) {
        update(90, 0);
        ASSERT_TRUE(sameBytes(renderOn(GetParam(), target, input), want));
    }
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), target, large), renderOnCpu(large)));
    const KRGLEngineStatistics after = statistics(GetParam());
    EXPECT_EQ(after.effectsCreated, before.effectsCreated);
    EXPECT_EQ(after.builds, before.builds);
    EXPECT_EQ(after.volumeUploads, before.volumeUploads);
    EXPECT_EQ(after.renders - before.renders, 21u);
    EXPECT_EQ(errorLines(), 0);
}

// The first frame fails to build; the unbuilt effect then fails to render.
TEST_P(GLKinds, UnusableProgramFailsEveryFrame) {
    useProgram("lut.glsl", "this is not GLSL\n");
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid, GetParam()));
    update(100, 0);
    const cv::Mat input = testPicture(24, 16, 3);
    for (int frame = 0; frame < 3; ++frame) {
        const cv::Mat output = renderOn(GetParam(), target, input, 0, kQLXFailed);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 0x5A), 0) << "output left alone";
    }
    EXPECT_EQ(logCount(kQLXLogError, "Create 3DLUT OpenGL Effect Failed: "), 1);
    EXPECT_EQ(logCount(kQLXLogError, "AdjustColorOpenGL Effect Prepare failed!"), 1);
    EXPECT_EQ(logCount(kQLXLogError, "LUT Opengl Render Failed."), 2);
}

INSTANTIATE_TEST_SUITE_P(Paths, GLKinds,
                         ::testing::Values(Kind::GLMemory, Kind::GLOnDevice, Kind::GLTextures),
                         kKindNames);

// With an OpenGL device, only the preparing thread renders.
TEST_F(RendererTest, OpenGLDeviceRefusesFramesFromAnotherThread) {
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid, Kind::GLOnDevice));
    update(100, 0);
    const cv::Mat input = testPicture(20, 10, 4);
    std::thread other([&] { renderInMemory(target, input, 0, kQLXFailed); });
    other.join();
    EXPECT_EQ(logCount(kQLXLogError, "GLRender:ThreadID is changed!"), 1);
    EXPECT_TRUE(sameBytes(renderInMemory(target, input), renderOnCpu(input)));
}

}  // namespace
}  // namespace qlxgltest
