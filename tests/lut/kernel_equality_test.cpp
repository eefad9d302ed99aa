// The vector kernels against the scalar reference on every one of the 2^24
// colours, with varied alpha bytes, for LUTs of all kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "lut/lut_kernel.h"
#include "lut_test_support.h"

namespace qlx::test {
namespace {

constexpr int kSide = 4096;  // 4096 × 4096 pixels: each 24-bit colour once

std::vector<std::uint8_t> allColoursFrame() {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kSide) * kSide * 4);
    for (std::uint32_t i = 0; i < (1u << 24); ++i) {
        std::uint8_t* p = &frame[static_cast<std::size_t>(i) * 4];
        p[0] = static_cast<std::uint8_t>(i);
        p[1] = static_cast<std::uint8_t>(i >> 8);
        p[2] = static_cast<std::uint8_t>(i >> 16);
        // Runs of 64 opaque pixels (the kernels skip the alpha multiply for
        // them) alternate with runs of scattered alpha values.
        const bool opaqueRun = ((i >> 6) & 1) == 0;
        p[3] = opaqueRun ? 255 : static_cast<std::uint8_t>((i * 2654435761u) >> 24);
    }
    return frame;
}

const std::vector<std::uint8_t>& sharedFrame() {
    static const std::vector<std::uint8_t> frame = allColoursFrame();
    return frame;
}

float unit(int i, int n) {
    return static_cast<float>(i) / static_cast<float>(n - 1);
}

// Deterministic noise in [0, 1).
float noise(int r, int g, int b, int salt) {
    std::uint32_t h = static_cast<std::uint32_t>(r * 73856093 ^ g * 19349663 ^ b * 83492791 ^ salt);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFF) / 16777216.0f;
}

struct LutCase {
    const char* name;
    int size;
    EntryFunction entry;
};

// A plausible grade: a little cross-talk and a curve, within 0..1.
std::array<std::string, 3> graded(int r, int g, int b, int n) {
    const float fr = unit(r, n), fg = unit(g, n), fb = unit(b, n);
    return exactWords(std::pow(0.85f * fr + 0.1f * fg + 0.05f * fb, 0.9f),
                      0.1f * fr + 0.8f * fg + 0.1f * fb,
                      std::sqrt(0.05f * fr + 0.15f * fg + 0.8f * fb));
}

std::vector<LutCase> lutCases() {
    std::vector<LutCase> cases;
    for (int n : {2, 8, 17, 33, 64, 65}) {
        cases.push_back({"graded", n, [n](int r, int g, int b) { return graded(r, g, b, n); }});
    }
    cases.push_back({"beyond_range", 33, [](int r, int g, int b) {
                         return exactWords(unit(r, 33) * 1.8f - 0.4f, 1.3f - unit(g, 33) * 1.7f,
                                           unit(b, 33) * 2.5f - 0.75f);
                     }});
    cases.push_back({"non_monotonic", 17, [](int r, int g, int b) {
                         return exactWords(noise(r, g, b, 1) * 1.4f - 0.2f, noise(r, g, b, 2),
                                           noise(r, g, b, 3) * 1.2f);
                     }});
    // Results around 2^-54, where c + 0.5 stops being exact in double precision.
    cases.push_back({"near_zero", 5, [](int r, int g, int b) {
                         const float picks[] = {0.0f,      0x1p-54f, 0x1p-53f, 0x1.8p-54f,
                                                -0x1p-54f, 1e-30f,   0x1p-55f};
                         auto pick = [&](int salt) {
                             return picks[static_cast<int>(noise(r, g, b, salt) * 7.0f)] / 255.0f;
                         };
                         return exactWords(pick(7), pick(8), pick(9));
                     }});
    cases.push_back({"non_finite", 9, [](int r, int g, int b) -> std::array<std::string, 3> {
                         const int k = (r * 81 + g * 9 + b + 3) % 7;
                         if (k == 0) return {"nan", "inf", "-inf"};
                         if (k == 1) return {"1e30", "-1e30", "3e38"};
                         return exactWords(noise(r, g, b, 4), noise(r, g, b, 5), noise(r, g, b, 6));
                     }});
    return cases;
}

class KernelEquality : public ::testing::TestWithParam<LutCase> {
  protected:
    void TearDown() override { setLutKernelOverride(LutKernelKind::Automatic); }
};

std::vector<std::uint8_t> applyWith(CubeLut& lut, LutKernelKind kind) {
    const std::vector<std::uint8_t>& src = sharedFrame();
    std::vector<std::uint8_t> dst(src.size());
    setLutKernelOverride(kind);
    EXPECT_EQ(lut.apply(dst.data(), kSide * 4, src.data(), kSide, kSide, kSide * 4, 4), 0);
    return dst;
}

std::string firstDifference(const std::vector<std::uint8_t>& want,
                            const std::vector<std::uint8_t>& got) {
    for (std::size_t i = 0; i < want.size(); i += 4) {
        if (std::memcmp(&want[i], &got[i], 4) != 0) {
            const std::uint8_t* s = &sharedFrame()[i];
            char text[160];
            std::snprintf(text, sizeof text,
                          "pixel bgra(%d,%d,%d,%d): reference %d,%d,%d,%d kernel %d,%d,%d,%d", s[0],
                          s[1], s[2], s[3], want[i], want[i + 1], want[i + 2], want[i + 3], got[i],
                          got[i + 1], got[i + 2], got[i + 3]);
            return text;
        }
    }
    return "";
}

TEST_P(KernelEquality, EveryColourMatchesTheScalarReference) {
    const LutCase& c = GetParam();
    LoadResult loaded = loadText(cubeText(c.size, c.entry), LutFileFormat::Cube);
    ASSERT_TRUE(loaded.ok) << "status " << loaded.lut->status;

    const std::vector<std::uint8_t> reference = applyWith(*loaded.lut, LutKernelKind::Scalar);
    int compared = 0;
    for (LutKernelKind kind : {LutKernelKind::Sse41, LutKernelKind::Avx2, LutKernelKind::Avx512}) {
        if (!lutKernelSupported(kind)) continue;
        const std::vector<std::uint8_t> fast = applyWith(*loaded.lut, kind);
        EXPECT_EQ(firstDifference(reference, fast), "") << lutKernelName(kind);
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "this CPU runs no vector kernel";
}

INSTANTIATE_TEST_SUITE_P(AllColours, KernelEquality, ::testing::ValuesIn(lutCases()),
                         [](const ::testing::TestParamInfo<LutCase>& info) {
                             return std::string(info.param.name) + "_" +
                                    std::to_string(info.param.size);
                         });

}  // namespace
}  // namespace qlx::test
