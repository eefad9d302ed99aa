// Blending a LUT result back towards the original frame, by the effect's
// strength and by the skin mask, in registers. Every byte is
//   mix(p, q, k) = floor((p * k + q * (255 - k)) / 255)
// with the skin weight k = mul(s, m) = floor((s * m + 127) / 255).
#pragma once

#include <cstdint>

namespace qlx {

struct BlendRowSettings {
    // Weight of the original under the strength step: 255 - a, or -1 when the
    // strength is full and that step is skipped.
    int strengthWeight = -1;
    // Skin-protection strength on a 0-255 scale; the mask step runs when
    // `mask` is non-null. The skin weight is the fourth byte of a mask pixel.
    int skinScale = 0;
    const std::uint8_t* mask = nullptr;
};

// Blends `pixels` BGRA pixels of `result` (in place) towards `original`, on
// the vector width of the LUT kernel family in use (setLutKernelOverride
// forces both).
void blendRow(std::uint8_t* result, const std::uint8_t* original, int pixels,
              const BlendRowSettings& settings);

// The vector forms, one per instruction-set family: each blends whole
// registers of pixels and returns how many it blended.
int blendRowSse41(std::uint8_t* result, const std::uint8_t* original, int pixels,
                  const BlendRowSettings& settings);
int blendRowAvx2(std::uint8_t* result, const std::uint8_t* original, int pixels,
                 const BlendRowSettings& settings);
int blendRowAvx512(std::uint8_t* result, const std::uint8_t* original, int pixels,
                   const BlendRowSettings& settings);

// Asks for `pixels` BGRA pixels to be brought into the cache ahead of use.
void prefetchRow(const std::uint8_t* row, int pixels);

}  // namespace qlx
