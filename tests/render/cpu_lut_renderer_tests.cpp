// The CPU renderer against its definition: copy, the LUT engine's own apply,
// then the strength and skin blends of the byte formulas.
#include <gtest/gtest.h>

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

cv::Mat randomBytes(int width, int height, unsigned seed) {
    cv::Mat bytes(height, width, CV_8UC4);
    cv::RNG(seed).fill(bytes, cv::RNG::UNIFORM, 0, 256);
    return bytes;
}

class CpuRenderer : public ::testing::Test {
  protected:
    void SetUp() override { qlx::suiteTable().hostUtil = util.qlx(); }
    void TearDown() override { qlx::suiteTable().hostUtil = nullptr; }

    // What the renderer must produce for `in` at the given strengths.
    cv::Mat expected(const cv::Mat& in, int alpha, const qlx::SkinMask* skin) {
        qlx::CubeLut lut;
        EXPECT_TRUE(lut.loadCubeFile(lutPath));
        cv::Mat out = in.clone();
        lut.apply(out.data, static_cast<int>(out.step), out.data, out.cols, out.rows,
                  static_cast<int>(out.step), 4);
        const int a = alpha * 255 / 100;
        const int s = skin ? static_cast<int>(skin->strength * 255.0 / 100.0 + 0.5) : 0;
        for (int y = 0; y < in.rows; ++y)
            for (int x = 0; x < in.cols * 4; ++x) {
                const int o = in.ptr<std::uint8_t>(y)[x];
                int d = out.ptr<std::uint8_t>(y)[x];
                if (a < 255) d = mix(o, d, 255 - a);
                const int m = s ? skin->pixels.ptr<std::uint8_t>(y)[(x & ~3) + 3] : 0;
                out.ptr<std::uint8_t>(y)[x] =
                    static_cast<std::uint8_t>(mix(o, d, (s * m + 127) / 255));
            }
        return out;
    }

    // Renders `in` into an output of the same size, `outExtraPitch` bytes
    // after every row; answers the output's pixels.
    cv::Mat render(const cv::Mat& in, int outExtraPitch, const qlx::SkinMask* skin) {
        cv::Mat storage(in.rows, in.cols + (outExtraPitch + 3) / 4, CV_8UC4, cv::Scalar::all(90));
        const int pitch = in.cols * 4 + outExtraPitch;
        EXPECT_EQ(renderer.Render(storage.data, in.cols, in.rows, pitch, in.data, in.cols, in.rows,
                                  static_cast<int>(in.step), skin),
                  0);
        return cv::Mat(in.rows, in.cols, CV_8UC4, storage.data, pitch).clone();
    }

    qlxtest::TempDir dir;
    qlxhost::HostUtilSuite util;
    std::string lutPath = dir.write("cross.cube", crossTalkCube());
    NLEColorLut3dAdjustEffect renderer{std::make_shared<NLEFilterInfo>(), lutPath};
};

struct RenderCase {
    int width, height, inExtraPitch, outExtraPitch, alpha, skin;
};

class CpuRendererCases : public CpuRenderer, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(CpuRendererCases, MatchesApplyAndTheBlendFormulas) {
    const RenderCase c = GetParam();
    const cv::Mat padded = randomBytes(c.width + c.inExtraPitch / 4, c.height, 7);
    const cv::Mat in = padded(cv::Rect(0, 0, c.width, c.height));
    const qlx::SkinMask skin{randomBytes(c.width, c.height, 9), c.skin};
    renderer.update(qlx::LutSettings::withAlpha(c.alpha));
    const cv::Mat got = render(in, c.outExtraPitch, &skin);
    EXPECT_EQ(cv::norm(got, expected(in, c.alpha, &skin), cv::NORM_INF), 0);
}

INSTANTIATE_TEST_SUITE_P(
    StrengthsSizesPitches, CpuRendererCases,
    ::testing::Values(RenderCase{100, 100, 0, 0, 100, 0}, RenderCase{101, 100, 0, 8, 100, 0},
                      RenderCase{100, 100, 0, 0, 50, 0}, RenderCase{37, 29, 12, 0, 73, 0},
                      RenderCase{100, 101, 0, 4, 50, 50}, RenderCase{64, 48, 4, 0, 100, 100},
                      RenderCase{17, 5, 0, 0, 1, 99}, RenderCase{200, 61, 0, 0, 0, 0},
                      RenderCase{1, 1, 0, 0, 100, 30}));

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
    EXPECT_EQ(renderer.Render(c.nullDst ? nullptr : out.data(), c.width, c.height, c.pitch,
                              c.nullSrc ? nullptr : in.data(), c.width, c.height, c.pitch),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, CpuRendererBadFrames,
                         ::testing::Values(BadFrame{"NullOutput", true, false, 4, 4, 16, 1},
                                           BadFrame{"NullInput", false, true, 4, 4, 16, 1},
                                           BadFrame{"ZeroHeight", false, false, 4, 0, 16, 0},
                                           BadFrame{"PitchShorterThanRow", false, false, 8, 4, 16,
                                                    1},
                                           BadFrame{"NegativeHeight", false, false, 4, -3, 16, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CpuRenderer, MaskSmallerThanTheFrameIsNotRead) {
    const cv::Mat in = randomBytes(40, 30, 5);
    const qlx::SkinMask skin{cv::Mat(10, 10, CV_8UC4, cv::Scalar::all(255)), 100};
    EXPECT_EQ(cv::norm(render(in, 0, &skin), expected(in, 100, nullptr), cv::NORM_INF), 0);
    EXPECT_EQ(util.log.count("does not cover"), 1);
}

}  // namespace
