// The register blend against the byte formulas and the blend tables, over
// every input the two formulas take.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/cpu/strength_blend.h"

namespace {

using qlx::BlendRowSettings;

int mixFormula(int p, int q, int k) {
    return (p * k + q * (255 - k)) / 255;
}
int mulFormula(int s, int m) {
    return (s * m + 127) / 255;
}

// One BGRA row holding every (original, result) byte pair once.
struct AllPairsRow {
    std::vector<std::uint8_t> original, result;
    AllPairsRow() : original(65536), result(65536) {
        for (int i = 0; i < 65536; ++i) {
            original[i] = static_cast<std::uint8_t>(i >> 8);
            result[i] = static_cast<std::uint8_t>(i & 255);
        }
    }
    static constexpr int kPixels = 65536 / 4;
};

TEST(StrengthBlend, EveryWeightAndBytePairMatchesTheMixFormula) {
    const AllPairsRow pairs;
    for (int k = 0; k < 256; ++k) {
        std::vector<std::uint8_t> fast = pairs.result, tables = pairs.result;
        BlendRowSettings settings;
        settings.strengthWeight = k;
        qlx::blendRow(fast.data(), pairs.original.data(), AllPairsRow::kPixels, settings);
        qlx::blendRowWithTables(tables.data(), pairs.original.data(), AllPairsRow::kPixels,
                                settings);
        for (int i = 0; i < 65536; ++i) {
            const int expected = mixFormula(pairs.original[i], pairs.result[i], k);
            ASSERT_EQ(fast[i], expected) << "p=" << (i >> 8) << " q=" << (i & 255) << " k=" << k;
            ASSERT_EQ(tables[i], expected) << "p=" << (i >> 8) << " q=" << (i & 255) << " k=" << k;
        }
    }
}

// Every (skin scale, mask weight) on rows of random byte pairs, with and
// without the strength step before it, and for row lengths that leave a tail.
struct SkinCase {
    int strengthWeight;
    int pixels;
};

class SkinBlend : public ::testing::TestWithParam<SkinCase> {};

TEST_P(SkinBlend, EveryScaleAndMaskWeightMatchesTheFormulas) {
    const SkinCase c = GetParam();
    std::mt19937 random(1234);
    std::vector<std::uint8_t> original(4 * c.pixels), result(4 * c.pixels), mask(4 * c.pixels);
    for (auto& b : original) b = static_cast<std::uint8_t>(random());
    for (auto& b : result) b = static_cast<std::uint8_t>(random());
    for (int s = 0; s < 256; ++s) {
        for (int x = 0; x < c.pixels; ++x) {
            mask[4 * x + 3] = static_cast<std::uint8_t>((x + s) & 255);  // all 256 weights
            mask[4 * x] = static_cast<std::uint8_t>(random());           // ignored bytes
        }
        BlendRowSettings settings;
        settings.strengthWeight = c.strengthWeight;
        settings.skinScale = s;
        settings.mask = mask.data();
        std::vector<std::uint8_t> fast = result, tables = result;
        qlx::blendRow(fast.data(), original.data(), c.pixels, settings);
        qlx::blendRowWithTables(tables.data(), original.data(), c.pixels, settings);
        for (int i = 0; i < 4 * c.pixels; ++i) {
            int expected = result[i];
            if (c.strengthWeight >= 0)
                expected = mixFormula(original[i], expected, c.strengthWeight);
            expected = mixFormula(original[i], expected, mulFormula(s, mask[(i & ~3) + 3]));
            ASSERT_EQ(fast[i], expected) << "s=" << s << " byte " << i;
            ASSERT_EQ(tables[i], expected) << "s=" << s << " byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StrengthAndLength, SkinBlend,
                         ::testing::Values(SkinCase{-1, 256}, SkinCase{-1, 259}, SkinCase{128, 256},
                                           SkinCase{0, 257}, SkinCase{255, 3}, SkinCase{37, 1027}));

}  // namespace
