// The register blend against the byte formulas, over every input they take.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/cpu/strength_blend.h"

namespace {

int mix(int p, int q, int k) {
    return (p * k + q * (255 - k)) / 255;
}

// One BGRA row holding every (original, result) byte pair once, each weight k.
TEST(StrengthBlend, EveryWeightAndBytePairMatchesTheMixFormula) {
    std::vector<std::uint8_t> original(65536), result(65536);
    for (int i = 0; i < 65536; ++i) {
        original[i] = static_cast<std::uint8_t>(i >> 8);
        result[i] = static_cast<std::uint8_t>(i & 255);
    }
    for (int k = 0; k < 256; ++k) {
        std::vector<std::uint8_t> blended = result;
        qlx::BlendRowSettings settings;
        settings.strengthWeight = k;
        qlx::blendRow(blended.data(), original.data(), 65536 / 4, settings);
        for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(blended[i], mix(i >> 8, i & 255, k)) << "i=" << i << " k=" << k;
    }
}

// Every (skin scale, mask weight) on rows of random byte pairs, with and
// without the strength step before it, for row lengths that leave a tail.
class SkinBlend : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(SkinBlend, EveryScaleAndMaskWeightMatchesTheFormulas) {
    const auto [strengthWeight, pixels] = GetParam();
    std::mt19937 random(1234);
    std::vector<std::uint8_t> original(4 * pixels), result(4 * pixels), mask(4 * pixels);
    for (auto& b : original) b = static_cast<std::uint8_t>(random());
    for (auto& b : result) b = static_cast<std::uint8_t>(random());
    for (int s = 0; s < 256; ++s) {
        for (int x = 0; x < pixels; ++x) {
            mask[4 * x + 3] = static_cast<std::uint8_t>((x + s) & 255);  // all 256 weights
            mask[4 * x] = static_cast<std::uint8_t>(random());           // ignored bytes
        }
        qlx::BlendRowSettings settings;
        settings.strengthWeight = strengthWeight;
        settings.skinScale = s;
        settings.mask = mask.data();
        std::vector<std::uint8_t> blended = result;
        qlx::blendRow(blended.data(), original.data(), pixels, settings);
        for (int i = 0; i < 4 * pixels; ++i) {
            int expected = result[i];
            if (strengthWeight >= 0) expected = mix(original[i], expected, strengthWeight);
            expected = mix(original[i], expected, (s * mask[(i & ~3) + 3] + 127) / 255);
            ASSERT_EQ(blended[i], expected) << "s=" << s << " byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StrengthAndLength, SkinBlend,
                         ::testing::Values(std::pair{-1, 256}, std::pair{-1, 259},
                                           std::pair{128, 256}, std::pair{0, 257},
                                           std::pair{255, 3}, std::pair{37, 1027}));

}  // namespace
