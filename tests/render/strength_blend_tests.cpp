#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "lut/lut_kernel.h"
#include "render/cpu/strength_blend.h"

namespace {

using qlx::LutKernelKind;

// The blend of every instruction-set family against the byte formulas: a row
// holding every (original, result) byte pair, 13 pixels more for the tails,
// blended by every strength weight (and without the strength step), alone and
// then followed by the skin step at a scale that runs through all 256 values
// with every mask weight; a row shorter than a register too.
TEST(Blend, EveryFamilyMatchesTheFormulasForEveryWeightScaleAndBytePair) {
    const auto mix = [](int p, int q, int k) { return (p * k + q * (255 - k)) / 255; };
    constexpr int kPixels = 16384 + 13;
    std::vector<std::uint8_t> original(4 * kPixels), result(4 * kPixels), mask(4 * kPixels);
    for (int i = 0; i < 4 * kPixels; ++i) {
        original[i] = static_cast<std::uint8_t>(i >> 8);
        result[i] = static_cast<std::uint8_t>(i);
        mask[i] = static_cast<std::uint8_t>(i * 7 / 4);  // weight of pixel x: 7x + 5
    }
    for (LutKernelKind kind : {LutKernelKind::Scalar, LutKernelKind::Sse41, LutKernelKind::Avx2,
                               LutKernelKind::Avx512}) {
        if (!qlx::lutKernelSupported(kind)) continue;
        qlx::setLutKernelOverride(kind);
        for (int k = -1; k < 256; ++k) {
            for (const std::uint8_t* m : {static_cast<std::uint8_t*>(nullptr), mask.data()}) {
                for (int pixels : {3, kPixels}) {
                    const qlx::BlendRowSettings settings{k, (k + 1) & 255, m};
                    std::vector<std::uint8_t> blended = result;
                    qlx::blendRow(blended.data(), original.data(), pixels, settings);
                    for (int i = 0; i < 4 * pixels; ++i) {
                        int want = k >= 0 ? mix(original[i], result[i], k) : result[i];
                        if (m)
                            want =
                                mix(original[i], want, (settings.skinScale * m[i | 3] + 127) / 255);
                        ASSERT_EQ(blended[i], want) << qlx::lutKernelName(kind) << " k=" << k
                                                    << " mask " << !!m << " byte " << i;
                    }
                }
            }
        }
    }
    qlx::setLutKernelOverride(LutKernelKind::Automatic);
}

}  // namespace
