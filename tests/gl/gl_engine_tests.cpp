// The engine libraries themselves: which context an effect works in, what is
// put back afterwards, and descriptions the engine refuses.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <thread>

#include "common/platform.h"
#include "gl_test_support.h"
#include "render/gl/gl_engine_loader.h"
#include "render/gl/nle_opengl_3dlut.h"

namespace qlxgltest {
namespace {

using tonekit::NLEOpenGL3DLut;

constexpr char kPass[] = "vec4 FUNCNAME(vec2 tc) { return INPUT(tc); }";

GLEffectEngine* softwareEngine() {
    GLEffectEngine* engine = nullptr;
    return qlx::getGLEffectEngine(&engine, &qlx::engineLogCallback, 0) == 0 ? engine : nullptr;
}

// Renders `input` through a pass effect made by `engine`; null effect: false.
bool passThrough(GLEffectEngine& engine, HostImage& input, HostImage& output) {
    std::shared_ptr<GLEffect> effect;
    engine.createEffect(input.width, input.height, input.pitch, false, "", effect, 0, kPass, {},
                        {});
    if (!effect) return false;
    effect->declareTexture2D(input.width, input.height, input.pitch, true);
    if (effect->build(effect) != 0) return false;
    effect->setTextureFromMemory(0, input.bytes.data(), input.width, input.height, input.pitch, 4,
                                 false, 0);
    return effect->render(hostFrame(output), effect, 0) == 0;
}

using EngineTest = GLPathTest;

TEST_F(EngineTest, OwnContextEffectPutsBackWhateverWasCurrent) {
    const std::string lut = folder.write("own.cube", syntheticCube(9, 21));
    NLEOpenGL3DLut effect(openGLDescription(lutProgramPath()));
    effect.SetLutPath(lut);
    HostImage input(40, 20), output(40, 20);
    input.fillRandom(21);
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    ASSERT_EQ(effect.Prepare(40, 20, 160), 0);  // no context current: the engine's own
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);

    HostGLContext host;
    if (!host.ok()) GTEST_SKIP() << "no EGL context for the host side";
    ASSERT_EQ(effect.Render(emptyFrame(), hostFrame(input), hostFrame(output), 40, 20, 160), 0);
    EXPECT_TRUE(host.isCurrent());
    EXPECT_LE(maxDifference(output, cpuReference(lut, input, 100, 0, cv::Mat())), 1);
    host.release();
    ASSERT_EQ(effect.Render(emptyFrame(), hostFrame(input), hostFrame(output), 40, 20, 160), 0);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST_F(EngineTest, OwnContextEffectRendersFromAnotherThread) {
    const std::string lut = folder.write("thread.cube", syntheticCube(7, 22));
    NLEOpenGL3DLut effect(openGLDescription(lutProgramPath()));
    effect.SetLutPath(lut);
    HostImage input(32, 16), here(32, 16), there(32, 16);
    input.fillRandom(22);
    ASSERT_EQ(effect.Prepare(32, 16, 128), 0);
    ASSERT_EQ(effect.Render(emptyFrame(), hostFrame(input), hostFrame(here), 32, 16, 128), 0);
    int result = -1;
    std::thread other([&] {
        result = effect.Render(emptyFrame(), hostFrame(input), hostFrame(there), 32, 16, 128);
    });
    other.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(differingBytes(here, there), 0u);
}

TEST_F(EngineTest, HostTextureCannotReachAnOwnContextEffect) {
    NLEOpenGL3DLut effect(openGLDescription(lutProgramPath()));
    ASSERT_EQ(effect.Prepare(16, 8, 64), 0);  // the engine's own context
    HostImage output(16, 8);
    EXPECT_EQ(effect.Render(emptyFrame(), gpuFrame(7, 16, 8), hostFrame(output), 16, 8, 64), 1);
    EXPECT_EQ(host.log.count("a host texture cannot reach"), 1);
    HostImage input(16, 8);
    input.fillRandom(24);
    EXPECT_EQ(effect.Render(emptyFrame(), hostFrame(input), hostFrame(output), 16, 8, 64), 0);
    EXPECT_EQ(differingBytes(output, input), 0u);
}

// The hardware library never makes a context: it works in the host's only.
TEST_F(EngineTest, HardwareEngineWorksOnlyInTheHostsContext) {
    void* library = qlx::platform::loadLibrary(std::string(QLX_BIN_DIR) + "/KROpenGLEffectMgr.so");
    ASSERT_NE(library, nullptr);
    auto create = reinterpret_cast<CreateNLEOpenGLEffectEngineInstanceFn>(
        qlx::platform::findSymbol(library, kCreateGLEffectEngineEntry));
    ASSERT_NE(create, nullptr);
    GLEffectEngine* engine = nullptr;
    ASSERT_EQ(create(&engine, &qlx::engineLogCallback, 0, 0), 0);
    HostImage input(24, 12, 24 * 4 + 8), output(24, 12, 24 * 4 + 8);
    input.fillRandom(23);

    EXPECT_FALSE(passThrough(*engine, input, output));
    EXPECT_EQ(logCount(4, "KROpenGLEffectMgr: no OpenGL context is current on this thread"), 1);

    HostGLContext host;
    if (!host.ok()) GTEST_SKIP() << "no EGL context for the host side";
    EXPECT_TRUE(passThrough(*engine, input, output));
    EXPECT_EQ(differingBytes(output, input), 0u);
    EXPECT_TRUE(host.isCurrent());
}

struct DescriptionCase {
    const char* title;
    GLTextureDesc desc;
    bool refused;
};

GLTextureDesc volume(std::uint32_t n, std::uint32_t entries, std::uint32_t channels = 3) {
    GLTextureDesc desc;
    desc.width = desc.height = desc.depth = n;
    desc.channels = channels;
    desc.floatTexels = 1;
    desc.upload = 1;
    desc.entryCount = entries;
    return desc;
}

std::ostream& operator<<(std::ostream& out, const DescriptionCase& c) {
    return out << c.title;
}

class DescriptionTable : public EngineTest,
                         public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(DescriptionTable, UploadsWhatItCanCheck) {
    const DescriptionCase& c = GetParam();
    GLEffectEngine* engine = softwareEngine();
    ASSERT_NE(engine, nullptr);
    std::shared_ptr<GLEffect> effect;
    engine->createEffect(8, 8, 32, false, "", effect, 0, kPass, {}, {});
    ASSERT_NE(effect, nullptr);
    effect->declareTexture2D(8, 8, 32, true);
    effect->declareTexture3D(4, 4, 4, 48, 3, 1, false);
    ASSERT_EQ(effect->build(effect), 0);
    const std::vector<float> texels(5 * 5 * 5 * 4, 0.5f);
    GLTextureDesc desc = c.desc;
    desc.data = texels.data();
    const std::uint64_t uploads = engineStatistics().volumeUploads;
    effect->setTextureDescs(1, {desc});
    EXPECT_EQ(engineStatistics().volumeUploads, uploads + (c.refused ? 0 : 1));
    EXPECT_EQ(host.log.lines().size(), c.refused ? 1u : 0u);
}

const DescriptionCase kDescriptions[] = {
    {"DeclaredSize", volume(4, 64), false},    {"LargerThanDeclared", volume(5, 125), false},
    {"NoEntryCount", volume(5, 0), false},     {"TooFewEntries", volume(5, 64), true},
    {"FourChannels", volume(3, 27, 4), false}, {"TwoChannels", volume(4, 64, 2), true},
};

INSTANTIATE_TEST_SUITE_P(Descriptions, DescriptionTable, ::testing::ValuesIn(kDescriptions),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(EngineTest, IndicesBeyondTheDeclaredTexturesAreRefused) {
    GLEffectEngine* engine = softwareEngine();
    ASSERT_NE(engine, nullptr);
    std::shared_ptr<GLEffect> effect;
    engine->createEffect(8, 8, 32, false, "", effect, 0, kPass, {}, {});
    ASSERT_NE(effect, nullptr);
    effect->declareTexture2D(8, 8, 32, true);
    ASSERT_EQ(effect->build(effect), 0);
    HostImage pixels(8, 8);
    effect->setTextureFromMemory(3, pixels.bytes.data(), 8, 8, 32, 4, false, 0);
    effect->setTextureDescs(-1, {GLTextureDesc()});
    EXPECT_EQ(host.log.count("no texture 3 was declared"), 1);
    EXPECT_EQ(host.log.count("no texture -1 was declared"), 1);
    HostImage output(8, 8);
    GLFrameDesc noPixels = hostFrame(output);
    noPixels.pixels = nullptr;
    EXPECT_EQ(effect->render(noPixels, effect, 0), 1);
}

}  // namespace
}  // namespace qlxgltest
