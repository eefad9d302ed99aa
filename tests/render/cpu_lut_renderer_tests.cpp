// The CPU renderer against its definition: copy, the LUT engine's own apply,
// then the strength and skin blends of the byte formulas.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "common/process_state.h"
#include "kit/host_kit.h"
#include "lut/cube_lut.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "support/temp_dir.h"

namespace {

int mix(int p, int q, int k) {
    return (p * k + q * (255 - k)) / 255;
}

// A size-5 .CUBE LUT that bends every channel and crosses them, so the
// tetrahedra and the rounding all matter.
std::string crossTalkCube() {
    std::ostringstream text;
    text << "LUT_3D_SIZE 5\n";
    for (int b = 0; b < 5; ++b)
        for (int g = 0; g < 5; ++g)
            for (int r = 0; r < 5; ++r)
                text << (r * r) / 16.0 * 0.9 + b * 0.02 << ' ' << (g / 4.0) * 0.8 + r * 0.05 << ' '
                     << 1.0 - b / 4.0 * 0.7 << '\n';
    return text.str();
}

struct Image {
    int width, height, pitch;
    std::vector<std::uint8_t> bytes;
    Image(int w, int h, int p, unsigned seed) : width(w), height(h), pitch(p), bytes(p * h) {
        std::mt19937 random(seed);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    }
    std::uint8_t* at(int x, int y) { return bytes.data() + y * pitch + 4 * x; }
};

class CpuRenderer : public ::testing::Test {
  protected:
    void SetUp() override {
        qlx::suiteTable().hostUtil = util.qlx();
        lutPath = dir.write("cross.cube", crossTalkCube());
        root->setLutPath(lutPath);
        filter->setGuid("LOOK");
    }
    void TearDown() override { qlx::suiteTable().hostUtil = nullptr; }

    // What the renderer must produce for `in` at the given strengths.
    Image expected(Image in, int alpha, int skin, const cv::Mat& mask) {
        qlx::CubeLut lut;
        EXPECT_TRUE(lut.loadCubeFile(lutPath));
        Image out = in;
        lut.apply(out.bytes.data(), out.pitch, out.bytes.data(), out.width, out.height, out.pitch,
                  4);
        const int a = alpha * 255 / 100;
        const int s = static_cast<int>(skin * 255.0 / 100.0 + 0.5);
        for (int y = 0; y < in.height; ++y)
            for (int x = 0; x < in.width; ++x)
                for (int c = 0; c < 4; ++c) {
                    int d = out.at(x, y)[c];
                    const int o = in.at(x, y)[c];
                    if (a < 255) d = mix(o, d, 255 - a);
                    if (skin && !mask.empty()) {
                        const int m = mask.ptr<std::uint8_t>(y)[4 * x + 3];
                        d = mix(o, d, (s * m + 127) / 255);
                    }
                    out.at(x, y)[c] = static_cast<std::uint8_t>(d);
                }
        return out;
    }

    qlxtest::TempDir dir;
    qlxhost::HostUtilSuite util;
    std::string lutPath;
    std::shared_ptr<NLEFilterInfo> root = std::make_shared<NLEFilterInfo>();
    std::shared_ptr<NLEFilterInfo> filter = std::make_shared<NLEFilterInfo>();
};

struct RenderCase {
    int width, height, extraPitch, alpha, skin;
};

class CpuRendererCases : public CpuRenderer, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(CpuRendererCases, MatchesApplyAndTheBlendFormulas) {
    const RenderCase c = GetParam();
    Image in(c.width, c.height, 4 * c.width + c.extraPitch, 7);
    Image out(c.width, c.height, 4 * c.width, 9);
    cv::Mat mask(c.height, c.width, CV_8UC4);
    cv::randu(mask, 0, 256);

    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    renderer.SetParam("alpha", 5, NLEFilterParamValue::ofInt(c.alpha));
    renderer.SetParam("skinProtect", 5, NLEFilterParamValue::ofInt(c.skin));
    renderer.skinMask = mask;
    ASSERT_EQ(renderer.Render(out.bytes.data(), c.width, c.height, out.pitch, in.bytes.data(),
                              c.width, c.height, in.pitch),
              0);

    Image want = expected(in, c.alpha, c.skin, mask);
    for (int y = 0; y < c.height; ++y)
        ASSERT_EQ(std::memcmp(out.at(0, y), want.at(0, y), 4 * c.width), 0) << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(
    StrengthsAndSizes, CpuRendererCases,
    ::testing::Values(RenderCase{100, 100, 0, 100, 0}, RenderCase{101, 100, 0, 100, 0},
                      RenderCase{100, 100, 0, 50, 0}, RenderCase{37, 29, 12, 73, 0},
                      RenderCase{100, 101, 0, 50, 50}, RenderCase{64, 48, 4, 100, 100},
                      RenderCase{17, 5, 0, 1, 99}, RenderCase{200, 61, 0, 0, 0},
                      RenderCase{1, 1, 0, 100, 30}));

TEST_F(CpuRenderer, AlphaZeroPassesThroughButStillLoads) {
    Image in(50, 40, 200, 3), out(50, 40, 200, 4);
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    renderer.SetParam("alpha", 5, NLEFilterParamValue::ofInt(0));
    ASSERT_EQ(renderer.Render(out.bytes.data(), 50, 40, 200, in.bytes.data(), 50, 40, 200), 0);
    EXPECT_EQ(out.bytes, in.bytes);
    EXPECT_EQ(util.log.count("loadCubeFile Failed"), 0);
}

TEST_F(CpuRenderer, UnreadableLutPassesThroughAndLogsEveryFrame) {
    root->setLutPath(dir.path() + "/missing.cube");
    Image in(20, 10, 80, 5), out(20, 10, 80, 6);
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_EQ(renderer.Render(out.bytes.data(), 20, 10, 80, in.bytes.data(), 20, 10, 80), 0);
        EXPECT_EQ(out.bytes, in.bytes);
    }
    EXPECT_EQ(util.log.count("tonekit::LUT loadCubeFile Failed: " + dir.path() + "/missing.cube"),
              3);
}

TEST_F(CpuRenderer, CustomFilterWithoutChosenFileCopiesOnly) {
    filter->setGuid("74EB022D-1D73-4D1E-9F70-487C356D46CD");
    Image in(20, 10, 80, 5), out(20, 10, 80, 6);
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    ASSERT_EQ(renderer.Render(out.bytes.data(), 20, 10, 80, in.bytes.data(), 20, 10, 80), 0);
    EXPECT_EQ(out.bytes, in.bytes);
    renderer.SetParam("lut3dPath", 6, NLEFilterParamValue::ofText("file:/" + lutPath));
    ASSERT_EQ(renderer.Render(out.bytes.data(), 20, 10, 80, in.bytes.data(), 20, 10, 80), 0);
    EXPECT_EQ(out.bytes, expected(in, 100, 0, cv::Mat()).bytes);
}

TEST_F(CpuRenderer, DifferentPitchesCopyTheShorterRow) {
    Image in(10, 4, 48, 5), out(10, 4, 44, 6);                // 8 and 4 bytes of row padding
    filter->setGuid("74EB022D-1D73-4D1E-9F70-487C356D46CD");  // copy only
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    ASSERT_EQ(renderer.Render(out.bytes.data(), 10, 4, 44, in.bytes.data(), 10, 4, 48), 0);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(std::memcmp(out.bytes.data() + y * 44, in.bytes.data() + y * 48, 44), 0);
}

struct BadFrame {
    const char* name;
    bool nullDst, nullSrc;
    int width, height, pitch;
    int expected;
};

class CpuRendererBadFrames : public CpuRenderer, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(CpuRendererBadFrames, AnswerWithoutTouchingMemoryOutsideTheFrames) {
    const BadFrame c = GetParam();
    std::vector<std::uint8_t> in(4096, 1), out(4096, 2);
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    EXPECT_EQ(renderer.Render(c.nullDst ? nullptr : out.data(), c.width, c.height, c.pitch,
                              c.nullSrc ? nullptr : in.data(), c.width, c.height, c.pitch),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, CpuRendererBadFrames,
                         ::testing::Values(BadFrame{"NullOutput", true, false, 4, 4, 16, 1},
                                           BadFrame{"NullInput", false, true, 4, 4, 16, 1},
                                           BadFrame{"ZeroWidth", false, false, 0, 4, 16, 0},
                                           BadFrame{"ZeroHeight", false, false, 4, 0, 16, 0},
                                           BadFrame{"PitchShorterThanRow", false, false, 8, 4, 16,
                                                    1},
                                           BadFrame{"NegativeHeight", false, false, 4, -3, 16, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CpuRenderer, MaskSmallerThanTheFrameIsNotRead) {
    Image in(40, 30, 160, 5), out(40, 30, 160, 6);
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    renderer.SetParam("skinProtect", 5, NLEFilterParamValue::ofInt(100));
    renderer.skinMask = cv::Mat(10, 10, CV_8UC4, cv::Scalar::all(255));
    ASSERT_EQ(renderer.Render(out.bytes.data(), 40, 30, 160, in.bytes.data(), 40, 30, 160), 0);
    EXPECT_EQ(out.bytes, expected(in, 100, 0, cv::Mat()).bytes);
    EXPECT_EQ(util.log.count("does not cover"), 1);
}

}  // namespace
