// Eight BGRA pixels at a time with AVX2. Weights and corner offsets are worked
// out for all eight at once; the corners are then read as whole 16-byte
// entries of the derived grid, two pixels per register. Every floating-point
// operation is the scalar kernel's, in the same order.
#include <immintrin.h>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

namespace qlx {

namespace {

constexpr float kHalfUlpOfHalf = 0x1p-54f;  // half the spacing of doubles at 0.5
constexpr int kLanes = 8;

struct Corners {
    alignas(32) std::int32_t c000[kLanes];
    alignas(32) std::int32_t c1[kLanes];
    alignas(32) std::int32_t c2[kLanes];
};

struct Axes {
    __m256i r, g, b, all;
};

inline __m256i greater(__m256 a, __m256 b) {
    return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_GT_OQ));
}

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
inline void innerCorners(__m256 fr, __m256 fg, __m256 fb, const Axes& s, __m256i& first,
                         __m256i& firstTwo) {
    const __m256i rg = greater(fr, fg), gb = greater(fg, fb), rb = greater(fr, fb);
    const __m256i bg = greater(fb, fg), br = greater(fb, fr);
    const __m256i ones = _mm256_set1_epi32(-1);

    const __m256i gbOrRb = _mm256_or_si256(gb, rb);
    const __m256i redFirst = _mm256_and_si256(rg, gbOrRb);
    const __m256i blueFirst = _mm256_blendv_epi8(bg, _mm256_xor_si256(gbOrRb, ones), rg);
    first = _mm256_blendv_epi8(_mm256_blendv_epi8(s.g, s.b, blueFirst), s.r, redFirst);

    const __m256i blueLast =
        _mm256_blendv_epi8(_mm256_xor_si256(_mm256_or_si256(bg, br), ones), gb, rg);
    const __m256i greenLast = _mm256_andnot_si256(gb, rg);
    const __m256i last = _mm256_blendv_epi8(_mm256_blendv_epi8(s.r, s.g, greenLast), s.b, blueLast);
    firstTwo = _mm256_sub_epi32(s.all, last);
}

// Grid coordinate of 8-bit levels as the interpolation tables hold it:
// x = v ÷ step, except that level 255 is the last grid point. Split into
// index and fraction.
inline void coordinates(__m256i level, __m256 step, __m256 last, __m256i& index, __m256& fraction) {
    __m256 x = _mm256_div_ps(_mm256_cvtepi32_ps(level), step);
    x = _mm256_blendv_ps(x, last,
                         _mm256_castsi256_ps(_mm256_cmpeq_epi32(level, _mm256_set1_epi32(255))));
    const __m256 whole = _mm256_floor_ps(x);
    index = _mm256_cvttps_epi32(whole);
    fraction = _mm256_sub_ps(x, whole);
}

// c + 0.5 in double precision rounded to nearest with ties to even, then
// saturated: c + 1 for an odd integer c, c for an even one, ⌊c⌋ + 1 otherwise;
// and 0 for c ≤ 2^-54, where c + 0.5 rounds back to 0.5 (NaN included).
inline __m256i toByte(__m256 c) {
    c = _mm256_blendv_ps(_mm256_set1_ps(-1.0f), c,
                         _mm256_cmp_ps(c, _mm256_set1_ps(kHalfUlpOfHalf), _CMP_GT_OQ));
    c = _mm256_min_ps(c, _mm256_set1_ps(256.0f));
    const __m256 whole = _mm256_floor_ps(c);
    const __m256i wholeInt = _mm256_cvttps_epi32(whole);
    const __m256i isInteger = _mm256_castps_si256(_mm256_cmp_ps(c, whole, _CMP_EQ_OQ));
    const __m256i isEven = _mm256_cmpeq_epi32(_mm256_and_si256(wholeInt, _mm256_set1_epi32(1)),
                                              _mm256_setzero_si256());
    const __m256i up = _mm256_sub_epi32(wholeInt, _mm256_set1_epi32(-1));
    const __m256i rounded = _mm256_add_epi32(up, _mm256_and_si256(isInteger, isEven));
    return _mm256_min_epi32(rounded, _mm256_set1_epi32(255));
}

// ⌊(a × v + 127) ÷ 255⌋ for bytes a and v.
inline __m256i multiplyByAlpha(__m256i v, __m256i alpha) {
    const __m256i t = _mm256_add_epi32(_mm256_mullo_epi32(v, alpha), _mm256_set1_epi32(127));
    const __m256i sum =
        _mm256_add_epi32(_mm256_add_epi32(t, _mm256_set1_epi32(1)), _mm256_srli_epi32(t, 8));
    return _mm256_srli_epi32(sum, 8);
}

// Two whole grid entries, one per pixel of a pair.
inline __m256 loadEntries(const float* grid, const std::int32_t* offsets) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(grid + offsets[0])),
                                _mm_loadu_ps(grid + offsets[1]), 1);
}

// Pixels 2q and 2q+1 of the eight as 32-bit lanes b, g, r, a of each pixel.
// When every alpha is 255 the multiply leaves the colour as it is and is
// skipped.
template <bool Opaque>
inline __m256i mapPair(const float* grid, const Corners& corners, int q, int all, __m256 w0,
                       __m256 w1, __m256 w2, __m256 w3, __m256i alpha) {
    const __m256i spread =
        _mm256_add_epi32(_mm256_set1_epi32(2 * q), _mm256_set_epi32(1, 1, 1, 1, 0, 0, 0, 0));
    const std::int32_t* base = corners.c000 + 2 * q;
    const __m256 c0 = loadEntries(grid, base);
    const __m256 c1 = loadEntries(grid, corners.c1 + 2 * q);
    const __m256 c2 = loadEntries(grid, corners.c2 + 2 * q);
    const __m256 c3 = loadEntries(grid + all, base);
    __m256 sum = _mm256_add_ps(_mm256_mul_ps(_mm256_permutevar8x32_ps(w0, spread), c0),
                               _mm256_mul_ps(_mm256_permutevar8x32_ps(w1, spread), c1));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_permutevar8x32_ps(w2, spread), c2));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_permutevar8x32_ps(w3, spread), c3));
    if (Opaque) return _mm256_blend_epi32(toByte(sum), _mm256_set1_epi32(255), 0x88);
    const __m256i a = _mm256_permutevar8x32_epi32(alpha, spread);
    return _mm256_blend_epi32(multiplyByAlpha(toByte(sum), a), a, 0x88);
}

// The eight pixels packed to bytes. Packing works within 128-bit halves: the
// pixels come out in the order 0 2 4 6 | 1 3 5 7.
template <bool Opaque>
inline __m256i mapEight(const float* grid, const Corners& corners, int all, __m256 w0, __m256 w1,
                        __m256 w2, __m256 w3, __m256i alpha) {
    const __m256i p01 = mapPair<Opaque>(grid, corners, 0, all, w0, w1, w2, w3, alpha);
    const __m256i p23 = mapPair<Opaque>(grid, corners, 1, all, w0, w1, w2, w3, alpha);
    const __m256i p45 = mapPair<Opaque>(grid, corners, 2, all, w0, w1, w2, w3, alpha);
    const __m256i p67 = mapPair<Opaque>(grid, corners, 3, all, w0, w1, w2, w3, alpha);
    return _mm256_packus_epi16(_mm256_packus_epi32(p01, p23), _mm256_packus_epi32(p45, p67));
}

}  // namespace

int mapLutRowAvx2(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst, int width) {
    const int stride = p.size + 1;
    const int e = kFastGridEntryFloats;
    Axes s;
    s.r = _mm256_set1_epi32(stride * stride * e);
    s.g = _mm256_set1_epi32(stride * e);
    s.b = _mm256_set1_epi32(e);
    const int all = (stride * stride + stride + 1) * e;
    s.all = _mm256_set1_epi32(all);
    const __m256i strideVec = _mm256_set1_epi32(stride);
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256 step = _mm256_set1_ps(255.0f / static_cast<float>(p.size - 1));
    const __m256 last = _mm256_set1_ps(static_cast<float>(p.size - 1));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256i pixelOrder = _mm256_set_epi32(7, 3, 6, 2, 5, 1, 4, 0);  // back to 0..7
    Corners corners;

    int x = 0;
    for (; x + kLanes <= width; x += kLanes) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
        __m256i ir, ig, ib;
        __m256 fr, fg, fb;
        coordinates(_mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask), step, last, ir, fr);
        coordinates(_mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask), step, last, ig, fg);
        coordinates(_mm256_and_si256(px, byteMask), step, last, ib, fb);
        const __m256i alpha = _mm256_srli_epi32(px, 24);

        const __m256 hi = _mm256_max_ps(_mm256_max_ps(fr, fg), fb);
        const __m256 lo = _mm256_min_ps(_mm256_min_ps(fr, fg), fb);
        const __m256 mid =
            _mm256_max_ps(_mm256_min_ps(fr, fg), _mm256_min_ps(_mm256_max_ps(fr, fg), fb));
        const __m256 w0 = _mm256_sub_ps(one, hi);
        const __m256 w1 = _mm256_sub_ps(hi, mid);
        const __m256 w2 = _mm256_sub_ps(mid, lo);
        const __m256 w3 = lo;

        __m256i first, firstTwo;
        innerCorners(fr, fg, fb, s, first, firstTwo);
        const __m256i cell = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ir, strideVec), ig), strideVec),
            ib);
        const __m256i c000 = _mm256_slli_epi32(cell, 2);
        _mm256_store_si256(reinterpret_cast<__m256i*>(corners.c000), c000);
        _mm256_store_si256(reinterpret_cast<__m256i*>(corners.c1), _mm256_add_epi32(c000, first));
        _mm256_store_si256(reinterpret_cast<__m256i*>(corners.c2),
                           _mm256_add_epi32(c000, firstTwo));

        const bool opaque =
            _mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, _mm256_set1_epi32(255))) == -1;
        const __m256i bytes =
            opaque ? mapEight<true>(p.fastGrid, corners, all, w0, w1, w2, w3, alpha)
                   : mapEight<false>(p.fastGrid, corners, all, w0, w1, w2, w3, alpha);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x),
                            _mm256_permutevar8x32_epi32(bytes, pixelOrder));
    }
    return x;
}

}  // namespace qlx
