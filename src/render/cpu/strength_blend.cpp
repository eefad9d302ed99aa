#include "render/cpu/strength_blend.h"

#include <emmintrin.h>

#include "lut/blend_tables.h"

namespace qlx {
namespace {

// floor(x / 255) for 0 <= x < 65535: ((x + 1) * 257) >> 16.
inline int div255(int x) {
    return ((x + 1) * 257) >> 16;
}
inline int mix(int p, int q, int k) {
    return div255(p * k + q * (255 - k));
}
inline int mul(int s, int m) {
    return div255(s * m + 127);
}

inline __m128i div255(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_set1_epi16(257));
}

// mix over eight 16-bit lanes; every product fits 16 bits, and so does the sum.
inline __m128i mix(__m128i p, __m128i q, __m128i k) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), k);
    return div255(_mm_add_epi16(_mm_mullo_epi16(p, k), _mm_mullo_epi16(q, inverse)));
}

// The fourth byte of each of four mask pixels, spread over that pixel's four
// channels, as 16-bit lanes: low half pixels 0-1, high half pixels 2-3.
inline void skinWeights(const std::uint8_t* mask, __m128i& low, __m128i& high) {
    __m128i m = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mask)), 24);
    m = _mm_or_si128(m, _mm_slli_epi32(m, 16));  // weight in both 16-bit halves
    low = _mm_unpacklo_epi32(m, m);
    high = _mm_unpackhi_epi32(m, m);
}

void blendPixel(std::uint8_t* d, const std::uint8_t* o, const std::uint8_t* m,
                const BlendRowSettings& s) {
    const int k = m ? mul(s.skinScale, m[3]) : 0;
    for (int c = 0; c < 4; ++c) {
        int value = d[c];
        if (s.strengthWeight >= 0) value = mix(o[c], value, s.strengthWeight);
        if (m) value = mix(o[c], value, k);
        d[c] = static_cast<std::uint8_t>(value);
    }
}

}  // namespace

void blendRow(std::uint8_t* result, const std::uint8_t* original, int pixels,
              const BlendRowSettings& s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i strength = _mm_set1_epi16(static_cast<short>(s.strengthWeight));
    const __m128i scale = _mm_set1_epi16(static_cast<short>(s.skinScale));
    int x = 0;
    for (; x + 4 <= pixels; x += 4) {
        auto* d = reinterpret_cast<__m128i*>(result + 4 * x);
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(original + 4 * x));
        const __m128i r = _mm_loadu_si128(d);
        __m128i oLow = _mm_unpacklo_epi8(o, zero), oHigh = _mm_unpackhi_epi8(o, zero);
        __m128i low = _mm_unpacklo_epi8(r, zero), high = _mm_unpackhi_epi8(r, zero);
        if (s.strengthWeight >= 0) {
            low = mix(oLow, low, strength);
            high = mix(oHigh, high, strength);
        }
        if (s.mask) {
            __m128i mLow, mHigh;
            skinWeights(s.mask + 4 * x, mLow, mHigh);
            const __m128i one27 = _mm_set1_epi16(127);
            low = mix(oLow, low, div255(_mm_add_epi16(_mm_mullo_epi16(scale, mLow), one27)));
            high = mix(oHigh, high, div255(_mm_add_epi16(_mm_mullo_epi16(scale, mHigh), one27)));
        }
        _mm_storeu_si128(d, _mm_packus_epi16(low, high));
    }
    for (; x < pixels; ++x)
        blendPixel(result + 4 * x, original + 4 * x, s.mask ? s.mask + 4 * x : nullptr, s);
}

void blendRowWithTables(std::uint8_t* result, const std::uint8_t* original, int pixels,
                        const BlendRowSettings& s) {
    const BlendTables& tables = BlendTables::instance();
    for (int x = 0; x < pixels; ++x) {
        std::uint8_t* d = result + 4 * x;
        const std::uint8_t* o = original + 4 * x;
        for (int c = 0; c < 4; ++c) {
            if (s.strengthWeight >= 0) d[c] = tables.mix(o[c], d[c], s.strengthWeight);
            if (s.mask && s.mask[4 * x + 3] != 0)
                d[c] = tables.mix(o[c], d[c], tables.mul(s.skinScale, s.mask[4 * x + 3]));
        }
    }
}

}  // namespace qlx
