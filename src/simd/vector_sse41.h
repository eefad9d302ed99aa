// Vector traits of SSE4.1: four 32-bit lanes, no fused multiply-add.
// Only for files compiled with this family's flags; see vector_traits.h.
#pragma once

#include <smmintrin.h>

#include "simd/vector_traits.h"

namespace qlx {
namespace {

struct Sse41 {
    using F = __m128;
    using I = __m128i;
    using M = __m128i;  // all ones or all zeros per 32-bit lane
    static constexpr int kLanes = 4;
    static constexpr bool kFma = false;

    static QLX_INLINE F splat(float x) { return _mm_set1_ps(x); }
    static QLX_INLINE I splat(int x) { return _mm_set1_epi32(x); }
    static QLX_INLINE I splat16(short x) { return _mm_set1_epi16(x); }
    static QLX_INLINE F toFloat(I v) { return _mm_cvtepi32_ps(v); }
    static QLX_INLINE I truncate(F v) { return _mm_cvttps_epi32(v); }
    static QLX_INLINE F floor(F v) { return _mm_floor_ps(v); }
    static QLX_INLINE F min(F a, F b) { return _mm_min_ps(a, b); }
    static QLX_INLINE F max(F a, F b) { return _mm_max_ps(a, b); }
    static QLX_INLINE M greater(F a, F b) { return _mm_castps_si128(_mm_cmpgt_ps(a, b)); }
    static QLX_INLINE M equal(F a, F b) { return _mm_castps_si128(_mm_cmpeq_ps(a, b)); }
    static QLX_INLINE M equal(I a, I b) { return _mm_cmpeq_epi32(a, b); }
    static QLX_INLINE bool all(M m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    static QLX_INLINE I pick(M m, I t, I f) { return _mm_blendv_epi8(f, t, m); }
    static QLX_INLINE F pick(M m, F t, F f) { return _mm_blendv_ps(f, t, _mm_castsi128_ps(m)); }
    static QLX_INLINE I add32(I a, I b) { return _mm_add_epi32(a, b); }
    static QLX_INLINE I sub32(I a, I b) { return _mm_sub_epi32(a, b); }
    static QLX_INLINE I shr32(I v, int n) { return _mm_srli_epi32(v, n); }
    static QLX_INLINE I sub16(I a, I b) { return _mm_sub_epi16(a, b); }
    static QLX_INLINE I mulhi16(I a, I b) { return _mm_mulhi_epu16(a, b); }
    static QLX_INLINE I shl32(I v, int n) { return _mm_slli_epi32(v, n); }
    static QLX_INLINE I unpackLo32(I a, I b) { return _mm_unpacklo_epi32(a, b); }
    static QLX_INLINE I unpackHi32(I a, I b) { return _mm_unpackhi_epi32(a, b); }
    static QLX_INLINE I add16(I a, I b) { return _mm_add_epi16(a, b); }
    static QLX_INLINE I mullo16(I a, I b) { return _mm_mullo_epi16(a, b); }
    static QLX_INLINE I shr16(I v, int n) { return _mm_srli_epi16(v, n); }
    static QLX_INLINE I loadBytes(const std::uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const I*>(p));
    }
    static QLX_INLINE void storeBytes(std::uint8_t* p, I v) {
        _mm_storeu_si128(reinterpret_cast<I*>(p), v);
    }
    static QLX_INLINE F load(const float* p) { return _mm_loadu_ps(p); }
    static QLX_INLINE void store(float* p, F v) { _mm_store_ps(p, v); }
    static QLX_INLINE void store(std::int32_t* p, I v) {
        _mm_store_si128(reinterpret_cast<I*>(p), v);
    }
    static QLX_INLINE F unpackLo(F a, F b) { return _mm_unpacklo_ps(a, b); }
    static QLX_INLINE F unpackHi(F a, F b) { return _mm_unpackhi_ps(a, b); }
    static QLX_INLINE F pairLo(F a, F b) {
        return _mm_castpd_ps(_mm_unpacklo_pd(_mm_castps_pd(a), _mm_castps_pd(b)));
    }
    static QLX_INLINE F pairHi(F a, F b) {
        return _mm_castpd_ps(_mm_unpackhi_pd(_mm_castps_pd(a), _mm_castps_pd(b)));
    }
    // Element j of every 128-bit lane, spread over that lane.
    static QLX_INLINE void spreadEach(F w, F& w0, F& w1, F& w2, F& w3) {
        w0 = _mm_shuffle_ps(w, w, 0x00);
        w1 = _mm_shuffle_ps(w, w, 0x55);
        w2 = _mm_shuffle_ps(w, w, 0xAA);
        w3 = _mm_shuffle_ps(w, w, 0xFF);
    }
    static QLX_INLINE I packus32(I a, I b) { return _mm_packus_epi32(a, b); }
    static QLX_INLINE I packus16(I a, I b) { return _mm_packus_epi16(a, b); }
    static QLX_INLINE I unpackLoBytes(I a, I b) { return _mm_unpacklo_epi8(a, b); }
    static QLX_INLINE I unpackHiBytes(I a, I b) { return _mm_unpackhi_epi8(a, b); }
    // 16-bit lane 3 of every four (the alpha of a pixel widened to words),
    // spread over the four.
    static QLX_INLINE I spreadAlpha(I pixels16) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels16, 0xFF), 0xFF);
    }
};

}  // namespace
}  // namespace qlx
