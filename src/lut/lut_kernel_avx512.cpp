// Sixteen BGRA pixels at a time with AVX-512. The weights and corner offsets
// are worked out for all sixteen at once; the corners are then read as whole
// 16-byte entries of the derived grid, four pixels per register, so each
// pixel costs four loads instead of twelve gathered floats. Every
// floating-point operation is the scalar kernel's, in the same order.
#include <immintrin.h>

// GCC 12 reports its own AVX-512 intrinsics as reading uninitialised values
// (they start from an undefined register on purpose).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

namespace qlx {

namespace {

constexpr int kLanes = 16;
constexpr float kHalfUlpOfHalf = 0x1p-54f;  // half the spacing of doubles at 0.5

struct Corners {
    alignas(64) std::int32_t c000[kLanes];
    alignas(64) std::int32_t c1[kLanes];
    alignas(64) std::int32_t c2[kLanes];
};

struct Axes {
    __m512i r, g, b, all;
};

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
inline void innerCorners(__m512 fr, __m512 fg, __m512 fb, const Axes& s, __m512i& first,
                         __m512i& firstTwo) {
    const __mmask16 rg = _mm512_cmp_ps_mask(fr, fg, _CMP_GT_OQ);
    const __mmask16 gb = _mm512_cmp_ps_mask(fg, fb, _CMP_GT_OQ);
    const __mmask16 rb = _mm512_cmp_ps_mask(fr, fb, _CMP_GT_OQ);
    const __mmask16 bg = _mm512_cmp_ps_mask(fb, fg, _CMP_GT_OQ);
    const __mmask16 br = _mm512_cmp_ps_mask(fb, fr, _CMP_GT_OQ);

    const __mmask16 redFirst = rg & (gb | rb);
    const __mmask16 blueFirst = (rg & ~(gb | rb)) | (~rg & bg);
    first = _mm512_mask_blend_epi32(redFirst, _mm512_mask_blend_epi32(blueFirst, s.g, s.b), s.r);

    const __mmask16 blueLast = (rg & gb) | (~rg & ~(bg | br));
    const __mmask16 greenLast = rg & ~gb;
    const __m512i last =
        _mm512_mask_blend_epi32(blueLast, _mm512_mask_blend_epi32(greenLast, s.r, s.g), s.b);
    firstTwo = _mm512_sub_epi32(s.all, last);
}

// Grid coordinate of 8-bit levels as the interpolation tables hold it:
// x = v ÷ step, except that level 255 is the last grid point. Split into
// index and fraction.
inline void coordinates(__m512i level, __m512 step, __m512 last, __m512i& index, __m512& fraction) {
    __m512 x = _mm512_div_ps(_mm512_cvtepi32_ps(level), step);
    x = _mm512_mask_mov_ps(x, _mm512_cmpeq_epi32_mask(level, _mm512_set1_epi32(255)), last);
    const __m512 whole = _mm512_roundscale_ps(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    index = _mm512_cvttps_epi32(whole);
    fraction = _mm512_sub_ps(x, whole);
}

// c + 0.5 in double precision rounded to nearest with ties to even, then
// saturated: c + 1 for an odd integer c, c for an even one, ⌊c⌋ + 1 otherwise;
// and 0 for c ≤ 2^-54, where c + 0.5 rounds back to 0.5 (NaN included).
inline __m512i toByte(__m512 c) {
    const __mmask16 aboveHalfUlp =
        _mm512_cmp_ps_mask(c, _mm512_set1_ps(kHalfUlpOfHalf), _CMP_GT_OQ);
    c = _mm512_mask_mov_ps(_mm512_set1_ps(-1.0f), aboveHalfUlp, c);
    c = _mm512_min_ps(c, _mm512_set1_ps(256.0f));
    const __m512 whole = _mm512_roundscale_ps(c, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512i wholeInt = _mm512_cvttps_epi32(whole);
    const __mmask16 isInteger = _mm512_cmp_ps_mask(c, whole, _CMP_EQ_OQ);
    const __mmask16 isOdd = _mm512_test_epi32_mask(wholeInt, _mm512_set1_epi32(1));
    const __m512i up = _mm512_add_epi32(wholeInt, _mm512_set1_epi32(1));
    const __m512i rounded = _mm512_mask_sub_epi32(up, isInteger & ~isOdd, up, _mm512_set1_epi32(1));
    return _mm512_min_epi32(rounded, _mm512_set1_epi32(255));
}

// ⌊(a × v + 127) ÷ 255⌋ for bytes a and v.
inline __m512i multiplyByAlpha(__m512i v, __m512i alpha) {
    const __m512i t = _mm512_add_epi32(_mm512_mullo_epi32(v, alpha), _mm512_set1_epi32(127));
    const __m512i sum =
        _mm512_add_epi32(_mm512_add_epi32(t, _mm512_set1_epi32(1)), _mm512_srli_epi32(t, 8));
    return _mm512_srli_epi32(sum, 8);
}

// Four whole grid entries, one per pixel of a group of four.
inline __m512 loadEntries(const float* grid, const std::int32_t* offsets) {
    __m512 v = _mm512_castps128_ps512(_mm_loadu_ps(grid + offsets[0]));
    v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[1]), 1);
    v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[2]), 2);
    return _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[3]), 3);
}

// Maps pixels 4q to 4q+3 of the sixteen and writes their sixteen bytes. When
// every alpha is 255 the multiply leaves the colour as it is and is skipped.
template <bool Opaque>
inline void mapGroup(const float* grid, const Corners& corners, int q, int all, __m512 w0,
                     __m512 w1, __m512 w2, __m512 w3, __m512i alpha, std::uint8_t* dst) {
    const __m512i spread = _mm512_add_epi32(
        _mm512_set1_epi32(4 * q), _mm512_set_epi32(3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0));
    const std::int32_t* base = corners.c000 + 4 * q;
    const __m512 c0 = loadEntries(grid, base);
    const __m512 c1 = loadEntries(grid, corners.c1 + 4 * q);
    const __m512 c2 = loadEntries(grid, corners.c2 + 4 * q);
    const __m512 c3 = loadEntries(grid + all, base);
    __m512 sum = _mm512_add_ps(_mm512_mul_ps(_mm512_permutexvar_ps(spread, w0), c0),
                               _mm512_mul_ps(_mm512_permutexvar_ps(spread, w1), c1));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_permutexvar_ps(spread, w2), c2));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_permutexvar_ps(spread, w3), c3));
    __m512i pixels;
    if (Opaque) {
        pixels = _mm512_mask_blend_epi32(0x8888, toByte(sum), _mm512_set1_epi32(255));
    } else {
        const __m512i a = _mm512_permutexvar_epi32(spread, alpha);
        pixels = _mm512_mask_blend_epi32(0x8888, multiplyByAlpha(toByte(sum), a), a);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm512_cvtepi32_epi8(pixels));
}

}  // namespace

int mapLutRowAvx512(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst,
                    int width) {
    const int stride = p.size + 1;
    const int e = kFastGridEntryFloats;
    Axes s;
    s.r = _mm512_set1_epi32(stride * stride * e);
    s.g = _mm512_set1_epi32(stride * e);
    s.b = _mm512_set1_epi32(e);
    const int all = (stride * stride + stride + 1) * e;
    s.all = _mm512_set1_epi32(all);
    const __m512i strideVec = _mm512_set1_epi32(stride);
    const __m512i byteMask = _mm512_set1_epi32(0xFF);
    const __m512 step = _mm512_set1_ps(255.0f / static_cast<float>(p.size - 1));
    const __m512 last = _mm512_set1_ps(static_cast<float>(p.size - 1));
    const __m512 one = _mm512_set1_ps(1.0f);
    Corners corners;

    int x = 0;
    for (; x + kLanes <= width; x += kLanes) {
        const __m512i px = _mm512_loadu_si512(src + 4 * x);
        __m512i ir, ig, ib;
        __m512 fr, fg, fb;
        coordinates(_mm512_and_si512(_mm512_srli_epi32(px, 16), byteMask), step, last, ir, fr);
        coordinates(_mm512_and_si512(_mm512_srli_epi32(px, 8), byteMask), step, last, ig, fg);
        coordinates(_mm512_and_si512(px, byteMask), step, last, ib, fb);
        const __m512i alpha = _mm512_srli_epi32(px, 24);

        const __m512 hi = _mm512_max_ps(_mm512_max_ps(fr, fg), fb);
        const __m512 lo = _mm512_min_ps(_mm512_min_ps(fr, fg), fb);
        const __m512 mid =
            _mm512_max_ps(_mm512_min_ps(fr, fg), _mm512_min_ps(_mm512_max_ps(fr, fg), fb));
        const __m512 w0 = _mm512_sub_ps(one, hi);
        const __m512 w1 = _mm512_sub_ps(hi, mid);
        const __m512 w2 = _mm512_sub_ps(mid, lo);
        const __m512 w3 = lo;

        __m512i first, firstTwo;
        innerCorners(fr, fg, fb, s, first, firstTwo);
        const __m512i cell = _mm512_add_epi32(
            _mm512_mullo_epi32(_mm512_add_epi32(_mm512_mullo_epi32(ir, strideVec), ig), strideVec),
            ib);
        const __m512i c000 = _mm512_slli_epi32(cell, 2);
        _mm512_store_si512(corners.c000, c000);
        _mm512_store_si512(corners.c1, _mm512_add_epi32(c000, first));
        _mm512_store_si512(corners.c2, _mm512_add_epi32(c000, firstTwo));

        std::uint8_t* out = dst + 4 * x;
        if (_mm512_cmpeq_epi32_mask(alpha, _mm512_set1_epi32(255)) == 0xFFFF) {
            for (int q = 0; q < 4; ++q) {
                mapGroup<true>(p.fastGrid, corners, q, all, w0, w1, w2, w3, alpha, out + 16 * q);
            }
        } else {
            for (int q = 0; q < 4; ++q) {
                mapGroup<false>(p.fastGrid, corners, q, all, w0, w1, w2, w3, alpha, out + 16 * q);
            }
        }
    }
    return x;
}

}  // namespace qlx
