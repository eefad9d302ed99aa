// Four BGRA pixels at a time with SSE4.1. Weights and corner offsets are
// worked out for all four at once; each pixel then reads its four corners as
// whole 16-byte entries of the derived grid. Every floating-point operation
// is the scalar kernel's, in the same order.
#include <smmintrin.h>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

namespace qlx {

namespace {

constexpr float kHalfUlpOfHalf = 0x1p-54f;  // half the spacing of doubles at 0.5
constexpr int kLanes = 4;

struct Corners {
    alignas(16) std::int32_t c000[kLanes];
    alignas(16) std::int32_t c1[kLanes];
    alignas(16) std::int32_t c2[kLanes];
};

struct Axes {
    __m128i r, g, b, all;
};

inline __m128i greater(__m128 a, __m128 b) {
    return _mm_castps_si128(_mm_cmpgt_ps(a, b));
}

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
inline void innerCorners(__m128 fr, __m128 fg, __m128 fb, const Axes& s, __m128i& first,
                         __m128i& firstTwo) {
    const __m128i rg = greater(fr, fg), gb = greater(fg, fb), rb = greater(fr, fb);
    const __m128i bg = greater(fb, fg), br = greater(fb, fr);
    const __m128i ones = _mm_set1_epi32(-1);

    const __m128i gbOrRb = _mm_or_si128(gb, rb);
    const __m128i redFirst = _mm_and_si128(rg, gbOrRb);
    const __m128i blueFirst = _mm_blendv_epi8(bg, _mm_xor_si128(gbOrRb, ones), rg);
    first = _mm_blendv_epi8(_mm_blendv_epi8(s.g, s.b, blueFirst), s.r, redFirst);

    const __m128i blueLast = _mm_blendv_epi8(_mm_xor_si128(_mm_or_si128(bg, br), ones), gb, rg);
    const __m128i greenLast = _mm_andnot_si128(gb, rg);
    const __m128i last = _mm_blendv_epi8(_mm_blendv_epi8(s.r, s.g, greenLast), s.b, blueLast);
    firstTwo = _mm_sub_epi32(s.all, last);
}

// Grid coordinate of 8-bit levels as the interpolation tables hold it:
// x = v ÷ step, except that level 255 is the last grid point. Split into
// index and fraction.
inline void coordinates(__m128i level, __m128 step, __m128 last, __m128i& index, __m128& fraction) {
    __m128 x = _mm_div_ps(_mm_cvtepi32_ps(level), step);
    x = _mm_blendv_ps(x, last, _mm_castsi128_ps(_mm_cmpeq_epi32(level, _mm_set1_epi32(255))));
    const __m128 whole = _mm_floor_ps(x);
    index = _mm_cvttps_epi32(whole);
    fraction = _mm_sub_ps(x, whole);
}

// c + 0.5 in double precision rounded to nearest with ties to even, then
// saturated: c + 1 for an odd integer c, c for an even one, ⌊c⌋ + 1 otherwise;
// and 0 for c ≤ 2^-54, where c + 0.5 rounds back to 0.5 (NaN included).
inline __m128i toByte(__m128 c) {
    c = _mm_blendv_ps(_mm_set1_ps(-1.0f), c, _mm_cmpgt_ps(c, _mm_set1_ps(kHalfUlpOfHalf)));
    c = _mm_min_ps(c, _mm_set1_ps(256.0f));
    const __m128 whole = _mm_floor_ps(c);
    const __m128i wholeInt = _mm_cvttps_epi32(whole);
    const __m128i isInteger = _mm_castps_si128(_mm_cmpeq_ps(c, whole));
    const __m128i isEven =
        _mm_cmpeq_epi32(_mm_and_si128(wholeInt, _mm_set1_epi32(1)), _mm_setzero_si128());
    const __m128i up = _mm_sub_epi32(wholeInt, _mm_set1_epi32(-1));
    const __m128i rounded = _mm_add_epi32(up, _mm_and_si128(isInteger, isEven));
    return _mm_min_epi32(rounded, _mm_set1_epi32(255));
}

// ⌊(a × v + 127) ÷ 255⌋ for bytes a and v.
inline __m128i multiplyByAlpha(__m128i v, __m128i alpha) {
    const __m128i t = _mm_add_epi32(_mm_mullo_epi32(v, alpha), _mm_set1_epi32(127));
    const __m128i sum = _mm_add_epi32(_mm_add_epi32(t, _mm_set1_epi32(1)), _mm_srli_epi32(t, 8));
    return _mm_srli_epi32(sum, 8);
}

template <int Lane>
inline __m128 broadcast(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
}

// Pixel `Lane` of the four as 32-bit lanes b, g, r, a. When every alpha is
// 255 the multiply leaves the colour as it is and is skipped.
template <int Lane, bool Opaque>
inline __m128i mapPixel(const float* grid, const Corners& corners, int all, __m128 w0, __m128 w1,
                        __m128 w2, __m128 w3, __m128i alpha) {
    const float* c000 = grid + corners.c000[Lane];
    const __m128 c0 = _mm_loadu_ps(c000);
    const __m128 c1 = _mm_loadu_ps(grid + corners.c1[Lane]);
    const __m128 c2 = _mm_loadu_ps(grid + corners.c2[Lane]);
    const __m128 c3 = _mm_loadu_ps(c000 + all);
    __m128 sum =
        _mm_add_ps(_mm_mul_ps(broadcast<Lane>(w0), c0), _mm_mul_ps(broadcast<Lane>(w1), c1));
    sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<Lane>(w2), c2));
    sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<Lane>(w3), c3));
    if (Opaque) return _mm_blend_epi16(toByte(sum), _mm_set1_epi32(255), 0xC0);
    const __m128i a = _mm_shuffle_epi32(alpha, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
    return _mm_blend_epi16(multiplyByAlpha(toByte(sum), a), a, 0xC0);
}

// The four pixels packed to bytes.
template <bool Opaque>
inline __m128i mapFour(const float* grid, const Corners& corners, int all, __m128 w0, __m128 w1,
                       __m128 w2, __m128 w3, __m128i alpha) {
    const __m128i p0 = mapPixel<0, Opaque>(grid, corners, all, w0, w1, w2, w3, alpha);
    const __m128i p1 = mapPixel<1, Opaque>(grid, corners, all, w0, w1, w2, w3, alpha);
    const __m128i p2 = mapPixel<2, Opaque>(grid, corners, all, w0, w1, w2, w3, alpha);
    const __m128i p3 = mapPixel<3, Opaque>(grid, corners, all, w0, w1, w2, w3, alpha);
    return _mm_packus_epi16(_mm_packus_epi32(p0, p1), _mm_packus_epi32(p2, p3));
}

}  // namespace

int mapLutRowSse41(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst,
                   int width) {
    const int stride = p.size + 1;
    const int e = kFastGridEntryFloats;
    Axes s;
    s.r = _mm_set1_epi32(stride * stride * e);
    s.g = _mm_set1_epi32(stride * e);
    s.b = _mm_set1_epi32(e);
    const int all = (stride * stride + stride + 1) * e;
    s.all = _mm_set1_epi32(all);
    const __m128i strideVec = _mm_set1_epi32(stride);
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const __m128 step = _mm_set1_ps(255.0f / static_cast<float>(p.size - 1));
    const __m128 last = _mm_set1_ps(static_cast<float>(p.size - 1));
    const __m128 one = _mm_set1_ps(1.0f);
    Corners corners;

    int x = 0;
    for (; x + kLanes <= width; x += kLanes) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        __m128i ir, ig, ib;
        __m128 fr, fg, fb;
        coordinates(_mm_and_si128(_mm_srli_epi32(px, 16), byteMask), step, last, ir, fr);
        coordinates(_mm_and_si128(_mm_srli_epi32(px, 8), byteMask), step, last, ig, fg);
        coordinates(_mm_and_si128(px, byteMask), step, last, ib, fb);
        const __m128i alpha = _mm_srli_epi32(px, 24);

        const __m128 hi = _mm_max_ps(_mm_max_ps(fr, fg), fb);
        const __m128 lo = _mm_min_ps(_mm_min_ps(fr, fg), fb);
        const __m128 mid = _mm_max_ps(_mm_min_ps(fr, fg), _mm_min_ps(_mm_max_ps(fr, fg), fb));
        const __m128 w0 = _mm_sub_ps(one, hi);
        const __m128 w1 = _mm_sub_ps(hi, mid);
        const __m128 w2 = _mm_sub_ps(mid, lo);
        const __m128 w3 = lo;

        __m128i first, firstTwo;
        innerCorners(fr, fg, fb, s, first, firstTwo);
        const __m128i cell = _mm_add_epi32(
            _mm_mullo_epi32(_mm_add_epi32(_mm_mullo_epi32(ir, strideVec), ig), strideVec), ib);
        const __m128i c000 = _mm_slli_epi32(cell, 2);
        _mm_store_si128(reinterpret_cast<__m128i*>(corners.c000), c000);
        _mm_store_si128(reinterpret_cast<__m128i*>(corners.c1), _mm_add_epi32(c000, first));
        _mm_store_si128(reinterpret_cast<__m128i*>(corners.c2), _mm_add_epi32(c000, firstTwo));

        const bool opaque =
            _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_set1_epi32(255))) == 0xFFFF;
        const __m128i bytes = opaque
                                  ? mapFour<true>(p.fastGrid, corners, all, w0, w1, w2, w3, alpha)
                                  : mapFour<false>(p.fastGrid, corners, all, w0, w1, w2, w3, alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), bytes);
    }
    return x;
}

}  // namespace qlx
