// Vector traits of AVX2 with FMA: eight 32-bit lanes.
// Only for files compiled with this family's flags; see vector_traits.h.
#pragma once

#include <immintrin.h>

#include "simd/vector_traits.h"

namespace qlx {
namespace {

struct Avx2 {
    using F = __m256;
    using I = __m256i;
    using M = __m256i;  // all ones or all zeros per 32-bit lane
    static constexpr int kLanes = 8;
    static constexpr bool kFma = true;

    static QLX_INLINE F splat(float x) { return _mm256_set1_ps(x); }
    static QLX_INLINE I splat(int x) { return _mm256_set1_epi32(x); }
    static QLX_INLINE I splat16(short x) { return _mm256_set1_epi16(x); }
    static QLX_INLINE F toFloat(I v) { return _mm256_cvtepi32_ps(v); }
    static QLX_INLINE I truncate(F v) { return _mm256_cvttps_epi32(v); }
    static QLX_INLINE F floor(F v) { return _mm256_floor_ps(v); }
    static QLX_INLINE F min(F a, F b) { return _mm256_min_ps(a, b); }
    static QLX_INLINE F max(F a, F b) { return _mm256_max_ps(a, b); }
    static QLX_INLINE F fmadd(F a, F b, F c) { return _mm256_fmadd_ps(a, b, c); }
    static QLX_INLINE F fnmadd(F a, F b, F c) { return _mm256_fnmadd_ps(a, b, c); }
    static QLX_INLINE M greater(F a, F b) {
        return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_GT_OQ));
    }
    static QLX_INLINE M equal(F a, F b) {
        return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_EQ_OQ));
    }
    static QLX_INLINE M equal(I a, I b) { return _mm256_cmpeq_epi32(a, b); }
    static QLX_INLINE bool all(M m) { return _mm256_movemask_epi8(m) == -1; }
    static QLX_INLINE I pick(M m, I t, I f) { return _mm256_blendv_epi8(f, t, m); }
    static QLX_INLINE F pick(M m, F t, F f) {
        return _mm256_blendv_ps(f, t, _mm256_castsi256_ps(m));
    }
    static QLX_INLINE I add32(I a, I b) { return _mm256_add_epi32(a, b); }
    static QLX_INLINE I sub32(I a, I b) { return _mm256_sub_epi32(a, b); }
    static QLX_INLINE I shr32(I v, int n) { return _mm256_srli_epi32(v, n); }
    static QLX_INLINE I sub16(I a, I b) { return _mm256_sub_epi16(a, b); }
    static QLX_INLINE I mulhi16(I a, I b) { return _mm256_mulhi_epu16(a, b); }
    static QLX_INLINE I shl32(I v, int n) { return _mm256_slli_epi32(v, n); }
    static QLX_INLINE I unpackLo32(I a, I b) { return _mm256_unpacklo_epi32(a, b); }
    static QLX_INLINE I unpackHi32(I a, I b) { return _mm256_unpackhi_epi32(a, b); }
    static QLX_INLINE I add16(I a, I b) { return _mm256_add_epi16(a, b); }
    static QLX_INLINE I mullo16(I a, I b) { return _mm256_mullo_epi16(a, b); }
    static QLX_INLINE I shr16(I v, int n) { return _mm256_srli_epi16(v, n); }
    static QLX_INLINE I loadBytes(const std::uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const I*>(p));
    }
    static QLX_INLINE void storeBytes(std::uint8_t* p, I v) {
        _mm256_storeu_si256(reinterpret_cast<I*>(p), v);
    }
    static QLX_INLINE F load(const float* p) { return _mm256_loadu_ps(p); }
    static QLX_INLINE void store(float* p, F v) { _mm256_store_ps(p, v); }
    static QLX_INLINE void store(std::int32_t* p, I v) {
        _mm256_store_si256(reinterpret_cast<I*>(p), v);
    }
    static QLX_INLINE F unpackLo(F a, F b) { return _mm256_unpacklo_ps(a, b); }
    static QLX_INLINE F unpackHi(F a, F b) { return _mm256_unpackhi_ps(a, b); }
    static QLX_INLINE F pairLo(F a, F b) {
        return _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
    }
    static QLX_INLINE F pairHi(F a, F b) {
        return _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
    }
    // Element j of every 128-bit lane, spread over that lane.
    static QLX_INLINE void spreadEach(F w, F& w0, F& w1, F& w2, F& w3) {
        w0 = _mm256_permute_ps(w, 0x00);
        w1 = _mm256_permute_ps(w, 0x55);
        w2 = _mm256_permute_ps(w, 0xAA);
        w3 = _mm256_permute_ps(w, 0xFF);
    }
    static QLX_INLINE I packus32(I a, I b) { return _mm256_packus_epi32(a, b); }
    static QLX_INLINE I packus16(I a, I b) { return _mm256_packus_epi16(a, b); }
    static QLX_INLINE I unpackLoBytes(I a, I b) { return _mm256_unpacklo_epi8(a, b); }
    static QLX_INLINE I unpackHiBytes(I a, I b) { return _mm256_unpackhi_epi8(a, b); }
    // 16-bit lane 3 of every four (the alpha of a pixel widened to words),
    // spread over the four.
    static QLX_INLINE I spreadAlpha(I pixels16) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(pixels16, 0xFF), 0xFF);
    }
};

}  // namespace
}  // namespace qlx
