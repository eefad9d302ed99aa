// tonekit::NLEOpenGL3DLut on the real software engine (llvmpipe), held to the
// CPU renderer's bytes.
#include <gtest/gtest.h>

#include "gl_test_support.h"
#include "render/gl/nle_opengl_3dlut.h"

namespace qlxgltest {
namespace {

using tonekit::NLEOpenGL3DLut;

class OpenGLLutTest : public GLPathTest {
  protected:
    std::unique_ptr<NLEOpenGL3DLut> makeEffect() {
        return std::make_unique<NLEOpenGL3DLut>(openGLDescription(lutProgramPath()));
    }
    // Prepares for the input's shape and renders it into a new image.
    HostImage render(NLEOpenGL3DLut& effect, HostImage& input) {
        HostImage output(input.width, input.height, input.pitch);
        EXPECT_EQ(effect.Prepare(output.width, output.height, output.pitch), 0);
        EXPECT_EQ(effect.Render(emptyFrame(), hostFrame(input), hostFrame(output), 0, 0, 0), 0);
        return output;
    }
};

struct AgreementCase {
    const char* title;
    int size;         // a synthetic .CUBE of this size, or 0 for `file`
    float overshoot;  // how far the synthetic entries pass 0..1
    const char* header;
    const char* file;  // dataFile() name
    int alpha, skin, width, height, padding;
};

class Agreement : public OpenGLLutTest, public ::testing::WithParamInterface<AgreementCase> {};

// Every LUT that loads renders to the CPU renderer's bytes: any size (the
// texture was declared 32 at build), file format, DOMAIN and value range.
TEST_P(Agreement, EqualsTheCpuRenderer) {
    const AgreementCase& c = GetParam();
    const std::string lut =
        c.size ? folder.write("grade.cube", syntheticCube(c.size, c.size, c.overshoot, c.header))
               : dataFile(c.file);
    if (lut.empty()) GTEST_SKIP() << c.file << " is absent";
    HostImage input(c.width, c.height, c.width * 4 + c.padding);
    input.fillRandom(c.width * 31 + c.alpha);
    cv::Mat mask(c.height, c.width, CV_8UC4);
    cv::randu(mask, cv::Scalar::all(0), cv::Scalar::all(256));
    auto effect = makeEffect();
    effect->SetLutPath(lut);
    effect->alpha = c.alpha;
    effect->skinProtectStrength = c.skin;
    effect->skinMask = mask;
    const HostImage expected = cpuReference(lut, input, c.alpha, c.skin, mask);
    ASSERT_GT(differingBytes(expected, input), 0u) << "the LUT must change the picture";
    EXPECT_EQ(differingBytes(render(*effect, input), expected), 0u);
}

const AgreementCase kAgreementCases[] = {
    {"Size2", 2, 0, "", nullptr, 100, 0, 64, 32, 0},
    {"Size33HalfStrength", 33, 0, "", nullptr, 50, 0, 50, 40, 4},
    {"Size65Skin100", 65, 0, "", nullptr, 50, 100, 64, 32, 0},
    {"OddPitchSkin25", 17, 0, "", nullptr, 80, 25, 33, 21, 3},
    {"ValuesOutsideUnitRange", 17, 0.3f, "", nullptr, 100, 0, 64, 64, 0},
    {"Domain", 9, 0.1f, "DOMAIN_MIN -0.5 0 0.1\nDOMAIN_MAX 2 1.5 0.9\n", nullptr, 70, 60, 64, 64,
     0},
    {"LookCube", 0, 0, "", "LUT/teal_orange/teal_orange.cube", 100, 0, 128, 64, 0},
    {"Look3dl", 0, 0, "", "LUT/bleach_bypass/bleach_bypass.3dl", 100, 0, 128, 64, 0},
    {"Look3dl65", 0, 0, "", "LUT/high_contrast/high_contrast.3dl", 70, 60, 128, 64, 0},
    {"CorpusOutsideUnitRange", 0, 0, "", "luts/openshot_noir_era.cube", 100, 0, 128, 64, 0},
    {"CorpusDomain", 0, 0, "", "luts/colour_iridas_eotf_sRGB_3D.cube", 100, 0, 128, 64, 0},
    {"Corpus1d3d", 0, 0, "", "luts/ocio_resolve_1d3d.cube", 100, 0, 128, 64, 0},
    {"Corpus3dl", 0, 0, "", "luts/ocio_lustre_33x33x33.3dl", 70, 60, 128, 64, 0},
};

INSTANTIATE_TEST_SUITE_P(Luts, Agreement, ::testing::ValuesIn(kAgreementCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(OpenGLLutTest, EmptyPathPassesFramesThroughUntilALutArrives) {
    const std::string path = folder.write("look.cube", syntheticCube(9, 4));
    auto effect = makeEffect();
    HostImage input(32, 16);
    input.fillRandom(5);
    EXPECT_EQ(differingBytes(render(*effect, input), input), 0u) << "before any path";
    effect->SetLutPath(path);
    const HostImage graded = render(*effect, input);
    effect->SetLutPath("");
    EXPECT_EQ(logCount(2, "lut path is empty"), 1);
    EXPECT_EQ(differingBytes(render(*effect, input), input), 0u);
    effect->SetLutPath("file:/" + path);  // the LUT in memory is usable again
    EXPECT_EQ(differingBytes(render(*effect, input), graded), 0u);
}

// Parameter updates repeat the path: each failing path is logged once.
TEST_F(OpenGLLutTest, LutThatDoesNotLoadIsLoggedOncePerPathAndPassesFramesThrough) {
    const std::string bad = folder.write("bad.cube", "LUT_3D_SIZE 1\n0 0 0\n");
    const std::string gone = folder.path() + "/gone.cube";
    auto effect = makeEffect();
    HostImage input(20, 10);
    input.fillRandom(6);
    for (const std::string& path : {bad, bad, gone, gone, bad}) {
        effect->SetLutPath(path);
        EXPECT_EQ(differingBytes(render(*effect, input), input), 0u);
    }
    EXPECT_EQ(logCount(4, "tonekit::NLEOpenGL3DLut loadCubeFile Failed: " + bad), 2);
    EXPECT_EQ(logCount(4, "tonekit::NLEOpenGL3DLut loadCubeFile Failed: " + gone), 1);
}

}  // namespace
}  // namespace qlxgltest
