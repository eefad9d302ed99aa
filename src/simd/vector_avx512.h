// Vector traits of AVX-512 (F, BW, VL, DQ): sixteen 32-bit lanes.
// Only for files compiled with this family's flags; see vector_traits.h.
#pragma once

#include <immintrin.h>

// GCC 12 reports its own AVX-512 intrinsics as reading uninitialised values
// (they start from an undefined register on purpose).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "simd/vector_traits.h"

namespace qlx {
namespace {

struct Avx512 {
    using F = __m512;
    using I = __m512i;
    using M = __mmask16;
    static constexpr int kLanes = 16;
    static constexpr bool kFma = true;

    static QLX_INLINE F splat(float x) { return _mm512_set1_ps(x); }
    static QLX_INLINE I splat(int x) { return _mm512_set1_epi32(x); }
    static QLX_INLINE I splat16(short x) { return _mm512_set1_epi16(x); }
    static QLX_INLINE F toFloat(I v) { return _mm512_cvtepi32_ps(v); }
    static QLX_INLINE I truncate(F v) { return _mm512_cvttps_epi32(v); }
    static QLX_INLINE F floor(F v) {
        return _mm512_roundscale_ps(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    static QLX_INLINE F min(F a, F b) { return _mm512_min_ps(a, b); }
    static QLX_INLINE F max(F a, F b) { return _mm512_max_ps(a, b); }
    static QLX_INLINE F fmadd(F a, F b, F c) { return _mm512_fmadd_ps(a, b, c); }
    static QLX_INLINE F fnmadd(F a, F b, F c) { return _mm512_fnmadd_ps(a, b, c); }
    static QLX_INLINE M greater(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
    static QLX_INLINE M equal(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ); }
    static QLX_INLINE M equal(I a, I b) { return _mm512_cmpeq_epi32_mask(a, b); }
    static QLX_INLINE bool all(M m) { return m == 0xFFFF; }
    static QLX_INLINE M pick(M m, M t, M f) { return static_cast<M>((m & t) | (~m & f)); }
    static QLX_INLINE I pick(M m, I t, I f) { return _mm512_mask_blend_epi32(m, f, t); }
    static QLX_INLINE F pick(M m, F t, F f) { return _mm512_mask_blend_ps(m, f, t); }
    static QLX_INLINE I add32(I a, I b) { return _mm512_add_epi32(a, b); }
    static QLX_INLINE I sub32(I a, I b) { return _mm512_sub_epi32(a, b); }
    static QLX_INLINE I shr32(I v, int n) { return _mm512_srli_epi32(v, n); }
    static QLX_INLINE I sub16(I a, I b) { return _mm512_sub_epi16(a, b); }
    static QLX_INLINE I mulhi16(I a, I b) { return _mm512_mulhi_epu16(a, b); }
    static QLX_INLINE I shl32(I v, int n) { return _mm512_slli_epi32(v, n); }
    static QLX_INLINE I unpackLo32(I a, I b) { return _mm512_unpacklo_epi32(a, b); }
    static QLX_INLINE I unpackHi32(I a, I b) { return _mm512_unpackhi_epi32(a, b); }
    static QLX_INLINE I add16(I a, I b) { return _mm512_add_epi16(a, b); }
    static QLX_INLINE I mullo16(I a, I b) { return _mm512_mullo_epi16(a, b); }
    static QLX_INLINE I shr16(I v, int n) { return _mm512_srli_epi16(v, n); }
    static QLX_INLINE I loadBytes(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static QLX_INLINE void storeBytes(std::uint8_t* p, I v) { _mm512_storeu_si512(p, v); }
    static QLX_INLINE F load(const float* p) { return _mm512_loadu_ps(p); }
    static QLX_INLINE void store(float* p, F v) { _mm512_store_ps(p, v); }
    static QLX_INLINE void store(std::int32_t* p, I v) { _mm512_store_si512(p, v); }
    static QLX_INLINE F unpackLo(F a, F b) { return _mm512_unpacklo_ps(a, b); }
    static QLX_INLINE F unpackHi(F a, F b) { return _mm512_unpackhi_ps(a, b); }
    static QLX_INLINE F pairLo(F a, F b) {
        return _mm512_castpd_ps(_mm512_unpacklo_pd(_mm512_castps_pd(a), _mm512_castps_pd(b)));
    }
    static QLX_INLINE F pairHi(F a, F b) {
        return _mm512_castpd_ps(_mm512_unpackhi_pd(_mm512_castps_pd(a), _mm512_castps_pd(b)));
    }
    // Element j of every 128-bit lane, spread over that lane.
    static QLX_INLINE void spreadEach(F w, F& w0, F& w1, F& w2, F& w3) {
        w0 = _mm512_permute_ps(w, 0x00);
        w1 = _mm512_permute_ps(w, 0x55);
        w2 = _mm512_permute_ps(w, 0xAA);
        w3 = _mm512_permute_ps(w, 0xFF);
    }
    static QLX_INLINE I packus32(I a, I b) { return _mm512_packus_epi32(a, b); }
    static QLX_INLINE I packus16(I a, I b) { return _mm512_packus_epi16(a, b); }
    static QLX_INLINE I unpackLoBytes(I a, I b) { return _mm512_unpacklo_epi8(a, b); }
    static QLX_INLINE I unpackHiBytes(I a, I b) { return _mm512_unpackhi_epi8(a, b); }
    // 16-bit lane 3 of every four (the alpha of a pixel widened to words),
    // spread over the four.
    static QLX_INLINE I spreadAlpha(I pixels16) {
        return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(pixels16, 0xFF), 0xFF);
    }
};

}  // namespace
}  // namespace qlx
