// The OpenGL path's failures as a host sees them: no engine, an unusable
// program, the wrong thread, preparation out of order.
#include <fstream>
#include <iterator>
#include <thread>

#include "gl_render_fixture.h"

namespace qlxgltest {
namespace {

using qlxtest::kLookGuid;
using qlxtest::sameBytes;
using qlxtest::testPicture;

constexpr char kPrepareFailed[] = "AdjustColorOpenGL Effect Prepare failed!";

// ---- no engine -------------------------------------------------------------------

// The hardware engine loads, but has no context to make its effects in.
TEST_F(GLRenderTest, OpenGLDeviceWithoutCurrentContextFailsEveryFrameUntilItIsCurrent) {
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(32, 24, 1);
    device.release();
    for (int frame = 0; frame < 2; ++frame) {
        const cv::Mat output = renderInMemory(glEffect, input, 0, kQLXFailed);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 0x5A), 0) << "output left alone";
    }
    EXPECT_EQ(host.util.log.count("load "), 0) << "the library itself loaded";
    // Each frame tries the main and the pass effect.
    EXPECT_EQ(
        logCount(kQLXLogError, "KROpenGLEffectMgr: no OpenGL context is current on this thread"),
        4);
    EXPECT_EQ(logCount(kQLXLogError, kPrepareFailed), 2);

    ASSERT_TRUE(device.makeCurrent());
    EXPECT_TRUE(sameBytes(renderInMemory(glEffect, input), renderInMemory(cpuEffect, input)));
}

// A copy of the plugin in a folder of its own with its library search path
// cut to that folder, as when it is installed; the engine libraries are found
// only when they lie beside it.
class IsolatedPluginCopy : public GLRenderTest {
  protected:
    void loadIsolatedCopy(bool withEngines) {
        const std::string folder = isolated.path();
        std::ifstream from(QLX_PLUGIN_PATH, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(from)), std::istreambuf_iterator<char>());
        const std::string buildPath = std::string("$ORIGIN:") + QLX_BIN_DIR;
        for (std::size_t at = bytes.find(buildPath); at != std::string::npos;
             at = bytes.find(buildPath, at + 1)) {
            bytes[at + 7] = '\0';  // "$ORIGIN" alone
        }
        isolated.write("qlxLUTPlugin.qlx", bytes);
        std::vector<std::string> libraries = {"libKRPlatformOpenCL.so"};
        if (withEngines) libraries.insert(libraries.end(), {kHardwareEngine, kSoftwareEngine});
        for (const std::string& library : libraries)
            isolated.write(library, qlxtest::readFile(std::string(QLX_BIN_DIR) + "/" + library));
        ASSERT_TRUE(plugin.load(folder + "/qlxLUTPlugin.qlx")) << plugin.error();
    }
    // An engine this process already loaded is found by its name wherever it lies.
    static bool enginesLoaded() {
        return libraryLoaded(kHardwareEngine) || libraryLoaded(kSoftwareEngine);
    }
    qlxtest::TempDir isolated;
};

TEST_F(IsolatedPluginCopy, FindsTheEnginesBesideIt) {
    if (enginesLoaded()) GTEST_SKIP() << "an engine is loaded already: run this test alone";
    ASSERT_NO_FATAL_FAILURE(loadIsolatedCopy(true));
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(16, 8, 2);
    EXPECT_TRUE(sameBytes(renderTextures(glEffect, input), renderInMemory(cpuEffect, input)));
    EXPECT_EQ(host.util.log.count(" failed !"), 0);
    EXPECT_TRUE(libraryLoaded((isolated.path() + "/" + kHardwareEngine).c_str()));
}

struct MissingEngineCase {
    const char* title;
    bool device;
    std::vector<const char*> triedLibraries;
};

void PrintTo(const MissingEngineCase& c, std::ostream* os) {
    *os << c.title;
}

class MissingEngine : public IsolatedPluginCopy,
                      public ::testing::WithParamInterface<MissingEngineCase> {};

TEST_P(MissingEngine, EveryFrameTriesTheCandidatesAndFails) {
    const MissingEngineCase& c = GetParam();
    if (enginesLoaded()) GTEST_SKIP() << "an engine is loaded already: run this test alone";
    ASSERT_NO_FATAL_FAILURE(loadIsolatedCopy(false));
    if (c.device) {
        ASSERT_NO_FATAL_FAILURE(lendDevice());
    }
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    int prepared = -1;
    QLXEffect* created = makeEffect(kLookGuid, kOpenGLMode, &prepared);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(prepared, kQLXSuccess) << "the engine is looked for at the first frame";
    const cv::Mat input = testPicture(16, 8, 2);
    for (int frame = 0; frame < 2; ++frame) renderInMemory(created, input, 0, kQLXFailed);
    int failures = 0;
    for (const char* name : c.triedLibraries) {
        EXPECT_EQ(logCount(kQLXLogError, std::string("load ") + name + " failed !"), 2) << name;
        failures += 2;
    }
    EXPECT_EQ(host.util.log.count(" failed !"), failures) << "no other candidate tried";
    EXPECT_EQ(logCount(kQLXLogError, kPrepareFailed), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, MissingEngine,
    ::testing::Values(MissingEngineCase{"opengl_device", true, {"KROpenGLEffectMgr.so"}},
                      MissingEngineCase{"no_device",
                                        false,
                                        {"KROpenGLEffectMgr-mesa.so", "KROpenGLEffectMgr-dx.so"}}),
    [](const auto& info) { return std::string(info.param.title); });

// ---- unusable program ---------------------------------------------------------------

struct ProgramCase {
    const char* title;
    FramePath path;
    const char* text;  // null: the file is missing
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.title << " " << pathName(c.path);
}

class UnusableProgram : public GLRenderTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(UnusableProgram, FailsEveryFrame) {
    const ProgramCase& c = GetParam();
    if (c.text) {
        useProgram(c.text);
    } else {
        writeLut("root.conf",
                 R"({"GUID": "ROOT-GUID", "NAME": "LUT", "OPENGL": "programs/none.glsl"})");
    }
    if (usesDevice(c.path)) {
        ASSERT_NO_FATAL_FAILURE(lendDevice());
    }
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(24, 16, 3);
    for (int frame = 0; frame < 3; ++frame) {
        const cv::Mat output = renderOn(c.path, glEffect, input, 0, kQLXFailed);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 0x5A), 0) << "output left alone";
    }
    // The first frame fails to build (the OpenGL description carries no name);
    // the effect made then stays, unbuilt, so later frames fail to render.
    EXPECT_EQ(logCount(kQLXLogError, "Create 3DLUT OpenGL Effect Failed: "), 1);
    EXPECT_EQ(logCount(kQLXLogError, kPrepareFailed), 1);
    EXPECT_EQ(logCount(kQLXLogError, "LUT Opengl Render Failed."), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, UnusableProgram,
    ::testing::Values(ProgramCase{"missing", FramePath::Memory, nullptr},
                      ProgramCase{"missing", FramePath::Textures, nullptr},
                      ProgramCase{"not_glsl", FramePath::Memory, "this is not GLSL\n"},
                      ProgramCase{"not_glsl", FramePath::Textures, "this is not GLSL\n"},
                      ProgramCase{"no_function", FramePath::Memory, "float unused = 1.0;\n"},
                      ProgramCase{"empty", FramePath::MemoryOnDevice, ""}),
    [](const auto& info) {
        return std::string(info.param.title) + "_" + pathName(info.param.path);
    });

// ---- threads -------------------------------------------------------------------------

TEST_F(GLRenderTest, OpenGLDeviceRefusesFramesFromAnotherThread) {
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    const cv::Mat input = testPicture(20, 10, 4);
    cv::Mat there;
    std::thread other([&] { there = renderInMemory(glEffect, input, 0, kQLXFailed); });
    other.join();
    EXPECT_EQ(cv::countNonZero(there.reshape(1) != 0x5A), 0);
    EXPECT_EQ(logCount(kQLXLogError, "GLRender:ThreadID is changed!"), 1);
    EXPECT_TRUE(sameBytes(renderInMemory(glEffect, input), renderInMemory(cpuEffect, input)))
        << "the preparing thread still renders";
}

// A refused second preparation on another thread still records that thread.
TEST_F(GLRenderTest, RefusedPreparationOnAnotherThreadMovesTheRenderThread) {
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    int second = -1;
    std::thread other([&] { second = glEffect->PrepareResource(context.qlx()); });
    other.join();
    EXPECT_EQ(second, kQLXFailed);
    EXPECT_EQ(logCount(kQLXLogError, "PrepareResource:multiple initialization."), 1);
    renderInMemory(glEffect, testPicture(8, 8, 5), 0, kQLXFailed);
    EXPECT_EQ(logCount(kQLXLogError, "GLRender:ThreadID is changed!"), 1);
}

// ---- preparation and release ------------------------------------------------------------

class GLLifecycle : public GLRenderTest, public ::testing::WithParamInterface<FramePath> {
  protected:
    void SetUp() override {
        GLRenderTest::SetUp();
        if (usesDevice(GetParam())) {
            ASSERT_NO_FATAL_FAILURE(lendDevice());
        }
        ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
        update(100, 0);
    }
};

TEST_P(GLLifecycle, SecondPreparationIsRefused) {
    const cv::Mat input = testPicture(20, 12, 6);
    const cv::Mat before = renderOn(GetParam(), glEffect, input);
    EXPECT_EQ(glEffect->PrepareResource(context.qlx()), kQLXFailed);
    EXPECT_EQ(logCount(kQLXLogError, "PrepareResource:multiple initialization."), 1);
    EXPECT_TRUE(sameBytes(renderOn(GetParam(), glEffect, input), before)) << "still usable";
}

TEST_P(GLLifecycle, ReleasedEffectFailsFramesSilentlyAndPreparesToNothing) {
    const cv::Mat input = testPicture(20, 12, 7);
    renderOn(GetParam(), glEffect, input);
    host.util.log.clear();
    glEffect->ReleaseResource();
    for (int frame = 0; frame < 2; ++frame) {
        const cv::Mat output = renderOn(GetParam(), glEffect, input, 0, kQLXFailed);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 0x5A), 0);
    }
    EXPECT_EQ(glEffect->PrepareResource(context.qlx()), kQLXSuccess);
    renderOn(GetParam(), glEffect, input, 0, kQLXFailed);
    EXPECT_EQ(host.util.log.lines().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Paths, GLLifecycle,
                         ::testing::Values(FramePath::Memory, FramePath::Textures),
                         [](const auto& info) { return std::string(pathName(info.param)); });

// ---- frames the GPU Device Suite does not know ---------------------------------------------

TEST_F(GLRenderTest, TextureFrameUnknownToTheHostFailsTheFrame) {
    ASSERT_NO_FATAL_FAILURE(lendDevice());
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid));
    update(100, 0);
    qlxhost::OpenGLFrame in(device, host.gpu, 16, 16);
    qlxhost::OpenGLFrame out(device, host.gpu, 16, 16);
    host.gpu.frames.erase(&out);
    qlxhost::RenderContext frames(&in.frame(), &out.frame());
    EXPECT_EQ(glEffect->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(logCount(kQLXLogError, "LUT Opengl Render Failed."), 1);
}

}  // namespace
}  // namespace qlxgltest
