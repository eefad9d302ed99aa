// The blend of strength_blend.h on 16-bit lanes, written once over the vector
// traits (simd/vector_traits.h) and compiled per instruction-set family in
// strength_blend_sse41.cpp, _avx2.cpp and _avx512.cpp. Every product and sum
// fits 16 bits.
#pragma once

#include "render/cpu/strength_blend.h"
#include "simd/vector_traits.h"

namespace qlx {
namespace {

// floor(x / 255) for 0 <= x < 65535: ((x + 1) * 257) >> 16.
template <class V>
QLX_INLINE VI<V> div255(VI<V> x) {
    return V::mulhi16(V::add16(x, V::splat16(1)), V::splat16(257));
}

// mix(p, q, k) = floor((p * k + q * (255 - k)) / 255).
template <class V>
QLX_INLINE VI<V> mix(VI<V> p, VI<V> q, VI<V> k) {
    const VI<V> inverse = V::sub16(V::splat16(255), k);
    return div255<V>(V::add16(V::mullo16(p, k), V::mullo16(q, inverse)));
}

// mul(s, m) for the fourth byte m of each mask pixel, spread over the pixel's
// four channels the way unpacking its bytes spreads them: low and high halves.
template <class V>
QLX_INLINE void skinWeights(VI<V> mask, VI<V> scale, VI<V>& low, VI<V>& high) {
    VI<V> m = V::shr32(mask, 24);
    m = m | V::shl32(m, 16);
    const VI<V> half = V::splat16(127);
    low = div255<V>(V::add16(V::mullo16(scale, V::unpackLo32(m, m)), half));
    high = div255<V>(V::add16(V::mullo16(scale, V::unpackHi32(m, m)), half));
}

// Blends whole registers of pixels; returns how many it blended.
template <class V>
int blendVectors(std::uint8_t* result, const std::uint8_t* original, int pixels,
                 const BlendRowSettings& s) {
    const VI<V> zero = V::splat(0);
    const VI<V> strength = V::splat16(static_cast<short>(s.strengthWeight));
    const VI<V> scale = V::splat16(static_cast<short>(s.skinScale));
    int x = 0;
    for (; x + V::kLanes <= pixels; x += V::kLanes) {
        const VI<V> o = V::loadBytes(original + 4 * x);
        const VI<V> r = V::loadBytes(result + 4 * x);
        const VI<V> oLow = V::unpackLoBytes(o, zero), oHigh = V::unpackHiBytes(o, zero);
        VI<V> low = V::unpackLoBytes(r, zero), high = V::unpackHiBytes(r, zero);
        if (s.strengthWeight >= 0) {
            low = mix<V>(oLow, low, strength);
            high = mix<V>(oHigh, high, strength);
        }
        if (s.mask) {
            VI<V> kLow, kHigh;
            skinWeights<V>(V::loadBytes(s.mask + 4 * x), scale, kLow, kHigh);
            low = mix<V>(oLow, low, kLow);
            high = mix<V>(oHigh, high, kHigh);
        }
        V::storeBytes(result + 4 * x, V::packus16(low, high));
    }
    return x;
}

}  // namespace
}  // namespace qlx
