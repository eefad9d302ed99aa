// The vector kernels against the scalar reference on every one of the 2^24
// colours, with varied alpha bytes, for LUTs of all kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "lut/lut_kernel.h"
#include "lut_test_support.h"

namespace qlx::test {
namespace {

// Rows of 4109 pixels (16 × 256 + 13: every kernel meets a partial chunk and a
// partial register) until each 24-bit colour has appeared.
constexpr int kWidth = 4109, kHeight = ((1 << 24) + kWidth - 1) / kWidth;

const std::vector<std::uint8_t>& allColours() {
    static const std::vector<std::uint8_t> frame = [] {
        std::vector<std::uint8_t> f(static_cast<std::size_t>(kWidth) * kHeight * 4);
        for (std::uint32_t i = 0; i < f.size() / 4; ++i) {
            // Runs of 64 opaque pixels (the kernels skip the alpha multiply
            // for them) alternate with runs of scattered alpha values.
            const std::uint32_t alpha = ((i >> 6) & 1) == 0 ? 255 : (i * 2654435761u) >> 24;
            const std::uint32_t pixel = (i & 0xFFFFFF) | alpha << 24;
            std::memcpy(&f[static_cast<std::size_t>(i) * 4], &pixel, 4);
        }
        return f;
    }();
    return frame;
}

// Deterministic noise in [0, 1).
float noise(int r, int g, int b, int salt) {
    std::uint32_t h = static_cast<std::uint32_t>(r * 73856093 ^ g * 19349663 ^ b * 83492791 ^ salt);
    h = (h ^ h >> 13) * 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFF) / 16777216.0f;
}

struct LutCase {
    const char* name;
    int size;
    EntryFunction entry;
};

std::vector<LutCase> lutCases() {
    std::vector<LutCase> cases;
    // A plausible grade: a little cross-talk and a curve, within 0..1. Sizes
    // 8 and 64 are those where v ÷ step misses the last grid point.
    for (int n : {2, 8, 17, 33, 64, 65}) {
        cases.push_back({"graded", n, [n](int r, int g, int b) {
                             const float last = static_cast<float>(n - 1), fr = r / last,
                                         fg = g / last, fb = b / last;
                             return exactWords(std::pow(0.85f * fr + 0.1f * fg + 0.05f * fb, 0.9f),
                                               0.1f * fr + 0.8f * fg + 0.1f * fb,
                                               std::sqrt(0.05f * fr + 0.15f * fg + 0.8f * fb));
                         }});
    }
    // Results around 2^-54, where c + 0.5 stops being exact in double precision.
    cases.push_back({"near_zero", 5, [](int r, int g, int b) {
                         const float picks[] = {0.0f,      0x1p-54f, 0x1p-53f, 0x1.8p-54f,
                                                -0x1p-54f, 1e-30f,   0x1p-55f};
                         auto pick = [&](int salt) {
                             return picks[static_cast<int>(noise(r, g, b, salt) * 7.0f)] / 255.0f;
                         };
                         return exactWords(pick(7), pick(8), pick(9));
                     }});
    // Not monotonic, outside 0..1, huge and not finite.
    cases.push_back({"wild", 17, [](int r, int g, int b) -> std::array<std::string, 3> {
                         const int k = (r * 289 + g * 17 + b + 3) % 7;
                         if (k == 0) return {"nan", "inf", "-inf"};
                         if (k == 1) return {"1e30", "-1e30", "3e38"};
                         return exactWords(noise(r, g, b, 1) * 1.4f - 0.2f, noise(r, g, b, 2),
                                           noise(r, g, b, 3) * 1.2f);
                     }});
    return cases;
}

class KernelEquality : public ::testing::TestWithParam<LutCase> {};

std::vector<std::uint8_t> applyWith(CubeLut& lut, LutKernelKind kind) {
    const std::vector<std::uint8_t>& src = allColours();
    std::vector<std::uint8_t> dst(src.size());
    setLutKernelOverride(kind);
    EXPECT_EQ(lut.apply(dst.data(), kWidth * 4, src.data(), kWidth, kHeight, kWidth * 4, 4), 0);
    return dst;
}

TEST_P(KernelEquality, EveryColourMatchesTheScalarReference) {
    LoadResult loaded = loadText(cubeText(GetParam().size, GetParam().entry), LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok) << "status " << loaded.lut->status;
    const std::vector<std::uint8_t> reference = applyWith(*loaded.lut, LutKernelKind::Scalar);
    int compared = 0;
    for (LutKernelKind kind : {LutKernelKind::Sse41, LutKernelKind::Avx2, LutKernelKind::Avx512}) {
        if (!lutKernelSupported(kind)) continue;
        const std::vector<std::uint8_t> got = applyWith(*loaded.lut, kind);
        const auto at = std::mismatch(reference.begin(), reference.end(), got.begin()).first;
        EXPECT_TRUE(at == reference.end()) << lutKernelName(kind) << ": first difference in pixel "
                                           << (at - reference.begin()) / 4;
        ++compared;
    }
    setLutKernelOverride(LutKernelKind::Automatic);
    if (compared == 0) GTEST_SKIP() << "this CPU runs no vector kernel";
}

INSTANTIATE_TEST_SUITE_P(AllColours, KernelEquality, ::testing::ValuesIn(lutCases()),
                         [](const ::testing::TestParamInfo<LutCase>& info) {
                             return std::string(info.param.name) + "_" +
                                    std::to_string(info.param.size);
                         });

}  // namespace
}  // namespace qlx::test
