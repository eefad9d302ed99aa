// tonekit::NLEOpenGL3DLut driving the real software engine on host-memory and
// GPU-texture frames, checked against the CPU renderer.
#include <gtest/gtest.h>

#include <fstream>

#include "gl_test_support.h"
#include "render/gl/nle_opengl_3dlut.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace qlxgltest {
namespace {

using tonekit::NLEOpenGL3DLut;

constexpr char kBuildFailed[] = "Create 3DLUT OpenGL Effect Failed: ";

class OpenGLLutTest : public GLPathTest {
  protected:
    std::unique_ptr<NLEOpenGL3DLut> makeEffect(const std::string& program = lutProgramPath()) {
        return std::make_unique<NLEOpenGL3DLut>(openGLDescription(program));
    }
    // Prepares for the output's size and renders `input` into a new image.
    HostImage render(NLEOpenGL3DLut& effect, HostImage& input, int* result = nullptr) {
        HostImage output(input.width, input.height, input.pitch);
        const int prepared = effect.Prepare(output.width, output.height, output.pitch);
        const int rendered = effect.Render(emptyFrame(), hostFrame(input), hostFrame(output),
                                           output.width, output.height, output.pitch);
        if (result) *result = prepared != 0 ? prepared : rendered;
        return output;
    }
    std::string writeCube(const std::string& name, int n, std::uint32_t seed) {
        return folder.write(name, syntheticCube(n, seed));
    }
};

TEST_F(OpenGLLutTest, BeforeAnyLutTheFramePassesThrough) {
    auto effect = makeEffect();
    HostImage input(61, 37, 61 * 4 + 20);
    input.fillRandom(1);
    int result = -1;
    const HostImage output = render(*effect, input, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(differingBytes(output, input), 0u);
}

struct AgreementCase {
    const char* title;
    int lutSize;             // synthetic LUT of this size, or 0 for `corpusFile`
    const char* corpusFile;  // from the shared test corpus
    int alpha;
    int skinProtect;
    int width, height, pitchPadding;
};

std::ostream& operator<<(std::ostream& out, const AgreementCase& c) {
    return out << c.title;
}

class AgreementTable : public OpenGLLutTest, public ::testing::WithParamInterface<AgreementCase> {};

// Within one code of the CPU renderer in every byte, the alpha byte exact.
TEST_P(AgreementTable, MatchesTheCpuRenderer) {
    const AgreementCase& c = GetParam();
    const std::string lut =
        c.lutSize ? writeCube("grade.cube", c.lutSize, 7 + c.lutSize) : testLut(c.corpusFile);
    if (lut.empty()) GTEST_SKIP() << "test corpus not found";
    HostImage input(c.width, c.height, c.width * 4 + c.pitchPadding);
    input.fillRandom(c.width * 31 + c.alpha);
    cv::Mat mask(c.height, c.width, CV_8UC4);
    cv::randu(mask, cv::Scalar::all(0), cv::Scalar::all(256));

    auto effect = makeEffect();
    effect->SetLutPath(lut);
    effect->alpha = c.alpha;
    effect->skinProtectStrength = c.skinProtect;
    effect->skinMask = mask;
    int result = -1;
    const HostImage output = render(*effect, input, &result);
    ASSERT_EQ(result, 0);

    const HostImage expected = cpuReference(lut, input, c.alpha, c.skinProtect, mask);
    EXPECT_LE(maxDifference(output, expected), 1);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            ASSERT_EQ(output.pixel(x, y)[3], expected.pixel(x, y)[3]) << x << "," << y;
        }
    }
    // Nearly every byte is exact; a one-code step only where a sum falls on a
    // rounding boundary.
    EXPECT_LE(differingBytes(output, expected), std::size_t(c.width * c.height * 4) / 1000);
}

const AgreementCase kAgreementCases[] = {
    {"Size2Full", 2, nullptr, 100, 0, 64, 32, 0},
    {"Size17Full", 17, nullptr, 100, 0, 64, 32, 8},
    {"Size32Full", 32, nullptr, 100, 0, 64, 32, 0},
    {"Size33Full", 33, nullptr, 100, 0, 50, 40, 4},
    {"Size65Full", 65, nullptr, 100, 0, 64, 32, 0},
    {"Size33Half", 33, nullptr, 50, 0, 64, 32, 0},
    {"Size33Strength37", 33, nullptr, 37, 0, 64, 32, 0},
    {"Size33Strength0", 33, nullptr, 0, 0, 64, 32, 0},
    {"Size33Skin60", 33, nullptr, 100, 60, 64, 32, 0},
    {"Size33Skin100Half", 33, nullptr, 50, 100, 64, 32, 0},
    {"OddPitch", 17, nullptr, 80, 25, 33, 21, 3},
    {"CorpusColdShadows", 0, "openshot_cold_shadows.cube", 100, 0, 128, 64, 0},
    {"CorpusRetroRed", 0, "openshot_retro_red_shadows.cube", 100, 0, 128, 64, 0},
    {"CorpusProtectHighlights", 0, "openshot_protect_highlights.cube", 70, 0, 128, 64, 0},
    {"CorpusVintage", 0, "openshot_vintage_400_film.cube", 100, 40, 128, 64, 0},
};

INSTANTIATE_TEST_SUITE_P(Luts, AgreementTable, ::testing::ValuesIn(kAgreementCases),
                         [](const auto& info) { return std::string(info.param.title); });

// The texture load cuts entries to 0..1 where the CPU's grid keeps them, so
// such a LUT renders on this path like its cut copy on the CPU.
TEST_F(OpenGLLutTest, EntriesOutsideTheUnitRangeActAsIfCut) {
    const std::string wide = folder.write("wide.cube", syntheticCube(17, 3, 0.2f, false));
    const std::string cut = folder.write("cut.cube", syntheticCube(17, 3, 0.2f, true));
    HostImage input(64, 64);
    input.fillRandom(4);
    auto effect = makeEffect();
    effect->SetLutPath(wide);
    const HostImage output = render(*effect, input);
    EXPECT_LE(maxDifference(output, cpuReference(cut, input, 100, 0, cv::Mat())), 1);
    EXPECT_GT(maxDifference(output, cpuReference(wide, input, 100, 0, cv::Mat())), 1);
}

TEST_F(OpenGLLutTest, SamePathIsReadOnceAndUploadedOnce) {
    const std::string path = writeCube("steady.cube", 9, 1);
    auto effect = makeEffect();
    effect->SetLutPath(path);
    HostImage input(40, 30);
    input.fillRandom(2);
    const HostImage first = render(*effect, input);
    const std::uint64_t uploadsAfterFirst = engineStatistics().volumeUploads;
    EXPECT_FALSE(effect->lutUploadPending());

    // A different LUT now lies under the same name: a re-read would show.
    folder.write("steady.cube", syntheticCube(9, 99));
    for (int frame = 0; frame < 3; ++frame) {
        effect->SetLutPath(path);
        const HostImage next = render(*effect, input);
        EXPECT_EQ(differingBytes(next, first), 0u) << "frame " << frame;
    }
    EXPECT_EQ(engineStatistics().volumeUploads, uploadsAfterFirst);
    const std::string original = writeCube("original.cube", 9, 1);
    EXPECT_LE(maxDifference(first, cpuReference(original, input, 100, 0, cv::Mat())), 1);
}

TEST_F(OpenGLLutTest, LutSizesOtherThanTheDeclaredOneRenderCorrectly) {
    auto effect = makeEffect();
    HostImage input(48, 24);
    input.fillRandom(3);
    ASSERT_EQ(effect->Prepare(input.width, input.height, input.pitch), 0);  // declares 32
    for (int size : {33, 17, 65, 2}) {
        const std::string path = writeCube("size" + std::to_string(size) + ".cube", size, size);
        const std::uint64_t uploadsBefore = engineStatistics().volumeUploads;
        effect->SetLutPath(path);
        EXPECT_EQ(effect->lutSize(), size);
        const HostImage output = render(*effect, input);
        EXPECT_LE(maxDifference(output, cpuReference(path, input, 100, 0, cv::Mat())), 1)
            << "size " << size;
        EXPECT_EQ(engineStatistics().volumeUploads, uploadsBefore + 1) << "size " << size;
    }
}

struct BrokenProgramCase {
    const char* title;
    const char* content;  // null: the file does not exist
};

class BrokenProgramTable : public OpenGLLutTest,
                           public ::testing::WithParamInterface<BrokenProgramCase> {};

TEST_P(BrokenProgramTable, PrepareFailsWithOneMessage) {
    const BrokenProgramCase& c = GetParam();
    const std::string path = c.content ? folder.write("broken.glsl", std::string(c.content))
                                       : folder.path() + "/missing.glsl";
    auto effect = makeEffect(path);
    effect->SetLutPath(writeCube("fine.cube", 5, 5));
    HostImage input(16, 16);
    EXPECT_NE(effect->Prepare(input.width, input.height, input.pitch), 0);
    EXPECT_EQ(logCount(4, kBuildFailed), 1);
    HostImage output(16, 16);
    EXPECT_EQ(effect->Render(emptyFrame(), hostFrame(input), hostFrame(output), 16, 16, 64), 1);
}

const BrokenProgramCase kBrokenPrograms[] = {
    {"Missing", nullptr},
    {"Empty", ""},
    {"SyntaxError", "vec4 FUNCNAME(vec2 tc) { return INPUT(tc) +; }"},
    {"NoFunction", "float unrelated() { return 1.0; }"},
    {"UnknownUniform", "vec4 FUNCNAME(vec2 tc) { return INPUT(tc) * undeclared; }"},
};

INSTANTIATE_TEST_SUITE_P(Programs, BrokenProgramTable, ::testing::ValuesIn(kBrokenPrograms),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(OpenGLLutTest, BinaryProgramFileIsRefused) {
    const std::string path = folder.write("binary.glsl", std::string("vec4 F\0x", 8));
    auto effect = makeEffect(path);
    EXPECT_NE(effect->Prepare(8, 8, 32), 0);
    EXPECT_EQ(logCount(4, kBuildFailed), 1);
}

TEST_F(OpenGLLutTest, EmptyPathLogsAndPassesThroughUntilALutArrives) {
    const std::string path = writeCube("look.cube", 9, 4);
    auto effect = makeEffect();
    HostImage input(32, 16);
    input.fillRandom(5);
    effect->SetLutPath(path);
    const HostImage graded = render(*effect, input);
    ASSERT_GT(differingBytes(graded, input), 0u);

    effect->SetLutPath("");
    EXPECT_EQ(logCount(2, "lut path is empty"), 1);
    EXPECT_TRUE(effect->lutError());
    EXPECT_EQ(differingBytes(render(*effect, input), input), 0u);

    // The LUT already in memory is this path's: usable again without a read.
    const std::uint64_t uploads = engineStatistics().volumeUploads;
    effect->SetLutPath(path);
    EXPECT_FALSE(effect->lutError());
    EXPECT_EQ(differingBytes(render(*effect, input), graded), 0u);
    EXPECT_EQ(engineStatistics().volumeUploads, uploads);
}

TEST_F(OpenGLLutTest, UnreadableLutLogsEachTryAndPassesThrough) {
    const std::string path = folder.write("bad.cube", "LUT_3D_SIZE 1\n0 0 0\n");
    auto effect = makeEffect();
    HostImage input(20, 10);
    input.fillRandom(6);
    const std::string message = "tonekit::NLEOpenGL3DLut loadCubeFile Failed: " + path;
    effect->SetLutPath(path);
    EXPECT_EQ(logCount(4, message), 1);
    EXPECT_EQ(differingBytes(render(*effect, input), input), 0u);
    effect->SetLutPath(path);  // a failed path is tried again
    EXPECT_EQ(logCount(4, message), 2);
    EXPECT_TRUE(effect->loadedPath().empty());
}

TEST_F(OpenGLLutTest, FileSchemeIsDroppedFromThePath) {
    const std::string path = writeCube("scheme.cube", 3, 8);
    auto effect = makeEffect();
    effect->SetLutPath("file:/" + path);
    EXPECT_EQ(effect->loadedPath(), path);
    EXPECT_FALSE(effect->lutError());
}

TEST_F(OpenGLLutTest, UnchangedSizeDoesNothingAndANewSizeStillRendersRight) {
    const std::string path = writeCube("resize.cube", 12, 9);
    auto effect = makeEffect();
    effect->SetLutPath(path);
    HostImage small(30, 20);
    small.fillRandom(7);
    render(*effect, small);
    const KRGLEngineStatistics before = engineStatistics();
    EXPECT_EQ(effect->Prepare(small.width, small.height, small.pitch), 0);
    EXPECT_EQ(engineStatistics().effectsCreated, before.effectsCreated);
    EXPECT_EQ(engineStatistics().builds, before.builds);

    HostImage large(70, 45, 70 * 4 + 16);
    large.fillRandom(8);
    const HostImage output = render(*effect, large);
    EXPECT_EQ(engineStatistics().effectsCreated, before.effectsCreated);
    EXPECT_LE(maxDifference(output, cpuReference(path, large, 100, 0, cv::Mat())), 1);
}

TEST_F(OpenGLLutTest, WithoutSkinProtectionTheMaskShrinksToOnePixel) {
    const std::string path = writeCube("mask.cube", 6, 10);
    auto effect = makeEffect();
    effect->SetLutPath(path);
    HostImage input(24, 12);
    input.fillRandom(9);
    effect->skinMask = cv::Mat(12, 24, CV_8UC4, cv::Scalar::all(255));
    effect->skinProtectStrength = 0;
    const std::uint64_t imageUploads = engineStatistics().imageUploads;
    const HostImage output = render(*effect, input);
    EXPECT_EQ(effect->skinMask.rows, 1);
    EXPECT_EQ(effect->skinMask.cols, 1);
    // The input frame and the new one-pixel mask.
    EXPECT_EQ(engineStatistics().imageUploads, imageUploads + 2);
    EXPECT_LE(maxDifference(output, cpuReference(path, input, 100, 0, cv::Mat())), 1);
    render(*effect, input);
    EXPECT_EQ(engineStatistics().imageUploads, imageUploads + 3);  // the frame only
}

// The enciphered format of program files: "QLXENC1\n", a little-endian seed,
// then each byte XORed with the top byte of successive xorshift32 states.
std::string encipher(const std::string& text, std::uint32_t seed) {
    std::string out = "QLXENC1\n";
    for (int shift = 0; shift < 32; shift += 8) out.push_back(char(seed >> shift));
    std::uint32_t state = seed ^ 0x9E3779B9u;
    if (state == 0) state = 0x9E3779B9u;
    for (char c : text) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out.push_back(char(static_cast<unsigned char>(c) ^ (state >> 24)));
    }
    return out;
}

TEST_F(OpenGLLutTest, EncipheredProgramRendersLikeThePlainOne) {
    std::ifstream plain(lutProgramPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(plain)), {});
    ASSERT_FALSE(text.empty());
    const std::string lut = writeCube("cipher.cube", 11, 12);
    HostImage input(32, 32);
    input.fillRandom(11);
    auto plainEffect = makeEffect();
    plainEffect->SetLutPath(lut);
    auto cipherEffect = makeEffect(folder.write("lut.glsl.enc", encipher(text, 0xC0FFEEu)));
    cipherEffect->SetLutPath(lut);
    int result = -1;
    const HostImage fromCipher = render(*cipherEffect, input, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(differingBytes(fromCipher, render(*plainEffect, input)), 0u);
}

class GPUFrameTest : public OpenGLLutTest {
  protected:
    void SetUp() override {
        OpenGLLutTest::SetUp();
        context_ = std::make_unique<HostGLContext>();
        if (!context_->ok()) GTEST_SKIP() << "no EGL context for the host side";
    }
    void TearDown() override {
        context_.reset();
        OpenGLLutTest::TearDown();
    }
    std::unique_ptr<HostGLContext> context_;
};

TEST_F(GPUFrameTest, TexturesInAndOutMatchTheCpuRendererAndHostStateIsKept) {
    const std::string lut = writeCube("gpu.cube", 33, 13);
    HostImage input(64, 40);
    input.fillRandom(12);
    const std::uint32_t in = context_->makeTexture(input);
    const std::uint32_t out = context_->makeTexture(HostImage(64, 40));
    {
        auto effect = makeEffect();
        ASSERT_EQ(effect->Prepare(64, 40, 256), 0);
        const GLFrameDesc target = gpuFrame(out, 64, 40);
        // Before a LUT: the pass effect copies the texture.
        ASSERT_EQ(effect->Render(emptyFrame(), gpuFrame(in, 64, 40), target, 64, 40, 256), 0);
        EXPECT_EQ(differingBytes(context_->readTexture(out, 64, 40), input), 0u);

        GLuint hostFramebuffer = 0;
        glGenFramebuffers(1, &hostFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, hostFramebuffer);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, in);
        effect->SetLutPath(lut);
        effect->alpha = 80;
        ASSERT_EQ(effect->Render(emptyFrame(), gpuFrame(in, 64, 40), target, 64, 40, 256), 0);
        GLint framebuffer = 0, activeTexture = 0, boundTexture = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
        EXPECT_EQ(GLuint(framebuffer), hostFramebuffer);
        EXPECT_EQ(activeTexture, GL_TEXTURE1);
        EXPECT_EQ(GLuint(boundTexture), in);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &hostFramebuffer);

        const HostImage output = context_->readTexture(out, 64, 40);
        EXPECT_LE(maxDifference(output, cpuReference(lut, input, 80, 0, cv::Mat())), 1);
    }
    context_->deleteTexture(in);
    context_->deleteTexture(out);
}

}  // namespace
}  // namespace qlxgltest
