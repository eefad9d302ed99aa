#include "render/cpu/strength_blend.h"

#include <immintrin.h>

// GCC 12 reports its own AVX-512 intrinsics as reading uninitialised values
// (they start from an undefined register on purpose).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

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

#if defined(__GNUC__) && defined(__x86_64__)
#define QLX_BLEND_WIDE 1
#define QLX_AVX512 __attribute__((target("avx512f,avx512bw")))
#define QLX_AVX2 __attribute__((target("avx2")))

// The same arithmetic on 16-bit lanes of wider registers, for CPUs that have
// them: AVX-512BW sixteen pixels at a time, AVX2 eight.
QLX_AVX512 inline __m512i div255(__m512i x) {
    return _mm512_mulhi_epu16(_mm512_add_epi16(x, _mm512_set1_epi16(1)), _mm512_set1_epi16(257));
}
QLX_AVX512 inline __m512i mix(__m512i p, __m512i q, __m512i k) {
    const __m512i inverse = _mm512_sub_epi16(_mm512_set1_epi16(255), k);
    return div255(_mm512_add_epi16(_mm512_mullo_epi16(p, k), _mm512_mullo_epi16(q, inverse)));
}
// mul(s, m) for the fourth byte m of each pixel, spread over the pixel's four
// channels the way unpacking its bytes spreads them: low and high halves.
QLX_AVX512 inline void skinWeights(__m512i mask, __m512i scale, __m512i& low, __m512i& high) {
    __m512i m = _mm512_srli_epi32(mask, 24);
    m = _mm512_or_si512(m, _mm512_slli_epi32(m, 16));
    const __m512i half = _mm512_set1_epi16(127);
    low = div255(_mm512_add_epi16(_mm512_mullo_epi16(scale, _mm512_unpacklo_epi32(m, m)), half));
    high = div255(_mm512_add_epi16(_mm512_mullo_epi16(scale, _mm512_unpackhi_epi32(m, m)), half));
}

QLX_AVX512 int blendRowAvx512(std::uint8_t* result, const std::uint8_t* original, int pixels,
                              const BlendRowSettings& s) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i strength = _mm512_set1_epi16(static_cast<short>(s.strengthWeight));
    const __m512i scale = _mm512_set1_epi16(static_cast<short>(s.skinScale));
    int x = 0;
    for (; x + 16 <= pixels; x += 16) {
        const __m512i o = _mm512_loadu_si512(original + 4 * x);
        const __m512i r = _mm512_loadu_si512(result + 4 * x);
        const __m512i oLow = _mm512_unpacklo_epi8(o, zero), oHigh = _mm512_unpackhi_epi8(o, zero);
        __m512i low = _mm512_unpacklo_epi8(r, zero), high = _mm512_unpackhi_epi8(r, zero);
        if (s.strengthWeight >= 0) {
            low = mix(oLow, low, strength);
            high = mix(oHigh, high, strength);
        }
        if (s.mask) {
            __m512i kLow, kHigh;
            skinWeights(_mm512_loadu_si512(s.mask + 4 * x), scale, kLow, kHigh);
            low = mix(oLow, low, kLow);
            high = mix(oHigh, high, kHigh);
        }
        _mm512_storeu_si512(result + 4 * x, _mm512_packus_epi16(low, high));
    }
    return x;
}

QLX_AVX2 inline __m256i div255(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(1)), _mm256_set1_epi16(257));
}
QLX_AVX2 inline __m256i mix(__m256i p, __m256i q, __m256i k) {
    const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), k);
    return div255(_mm256_add_epi16(_mm256_mullo_epi16(p, k), _mm256_mullo_epi16(q, inverse)));
}
QLX_AVX2 inline void skinWeights(__m256i mask, __m256i scale, __m256i& low, __m256i& high) {
    __m256i m = _mm256_srli_epi32(mask, 24);
    m = _mm256_or_si256(m, _mm256_slli_epi32(m, 16));
    const __m256i half = _mm256_set1_epi16(127);
    low = div255(_mm256_add_epi16(_mm256_mullo_epi16(scale, _mm256_unpacklo_epi32(m, m)), half));
    high = div255(_mm256_add_epi16(_mm256_mullo_epi16(scale, _mm256_unpackhi_epi32(m, m)), half));
}

QLX_AVX2 int blendRowAvx2(std::uint8_t* result, const std::uint8_t* original, int pixels,
                          const BlendRowSettings& s) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i strength = _mm256_set1_epi16(static_cast<short>(s.strengthWeight));
    const __m256i scale = _mm256_set1_epi16(static_cast<short>(s.skinScale));
    int x = 0;
    for (; x + 8 <= pixels; x += 8) {
        auto* d = reinterpret_cast<__m256i*>(result + 4 * x);
        const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(original + 4 * x));
        const __m256i r = _mm256_loadu_si256(d);
        const __m256i oLow = _mm256_unpacklo_epi8(o, zero), oHigh = _mm256_unpackhi_epi8(o, zero);
        __m256i low = _mm256_unpacklo_epi8(r, zero), high = _mm256_unpackhi_epi8(r, zero);
        if (s.strengthWeight >= 0) {
            low = mix(oLow, low, strength);
            high = mix(oHigh, high, strength);
        }
        if (s.mask) {
            __m256i kLow, kHigh;
            skinWeights(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.mask + 4 * x)), scale,
                        kLow, kHigh);
            low = mix(oLow, low, kLow);
            high = mix(oHigh, high, kHigh);
        }
        _mm256_storeu_si256(d, _mm256_packus_epi16(low, high));
    }
    return x;
}

using WideBlend = int (*)(std::uint8_t*, const std::uint8_t*, int, const BlendRowSettings&);

// The widest form the CPU runs, picked once per process.
WideBlend widestBlend() {
    static const WideBlend best = []() -> WideBlend {
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
            return blendRowAvx512;
        if (__builtin_cpu_supports("avx2")) return blendRowAvx2;
        return nullptr;
    }();
    return best;
}
#endif

}  // namespace

void blendRow(std::uint8_t* result, const std::uint8_t* original, int pixels,
              const BlendRowSettings& s) {
    int x = 0;
#if defined(QLX_BLEND_WIDE)
    if (const WideBlend wide = widestBlend()) x = wide(result, original, pixels, s);
#endif
    const __m128i zero = _mm_setzero_si128();
    const __m128i strength = _mm_set1_epi16(static_cast<short>(s.strengthWeight));
    const __m128i scale = _mm_set1_epi16(static_cast<short>(s.skinScale));
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

void prefetchRow(const std::uint8_t* row, int pixels) {
    for (int x = 0; x < pixels; x += 16)
        _mm_prefetch(reinterpret_cast<const char*>(row + 4 * x), _MM_HINT_T0);
}

}  // namespace qlx
