// Eight BGRA pixels at a time with AVX2 gathers from the derived grid. Every
// floating-point operation is the scalar kernel's, in the same order; the
// byte conversion is an integer form of the same rounding rule.
#include <immintrin.h>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

namespace qlx {

namespace {

struct Strides {
    __m256i r, g, b, all;
};

// The six tetrahedra, in the order of the scalar kernel's tests: offsets of
// the corners C1 (first axis) and C2 (first and second axes) from C000.
inline void innerCorners(__m256 fr, __m256 fg, __m256 fb, const Strides& s, __m256i& off1,
                         __m256i& off2) {
    const __m256i rg = _mm256_castps_si256(_mm256_cmp_ps(fr, fg, _CMP_GT_OQ));
    const __m256i gb = _mm256_castps_si256(_mm256_cmp_ps(fg, fb, _CMP_GT_OQ));
    const __m256i rb = _mm256_castps_si256(_mm256_cmp_ps(fr, fb, _CMP_GT_OQ));
    const __m256i bg = _mm256_castps_si256(_mm256_cmp_ps(fb, fg, _CMP_GT_OQ));
    const __m256i br = _mm256_castps_si256(_mm256_cmp_ps(fb, fr, _CMP_GT_OQ));
    const __m256i ones = _mm256_set1_epi32(-1);

    const __m256i gbOrRb = _mm256_or_si256(gb, rb);
    const __m256i redFirst = _mm256_and_si256(rg, gbOrRb);
    const __m256i blueFirst = _mm256_blendv_epi8(bg, _mm256_xor_si256(gbOrRb, ones), rg);
    off1 = _mm256_blendv_epi8(_mm256_blendv_epi8(s.g, s.b, blueFirst), s.r, redFirst);

    const __m256i blueLast =
        _mm256_blendv_epi8(_mm256_xor_si256(_mm256_or_si256(bg, br), ones), gb, rg);
    const __m256i greenLast = _mm256_andnot_si256(gb, rg);
    const __m256i lastAxis =
        _mm256_blendv_epi8(_mm256_blendv_epi8(s.r, s.g, greenLast), s.b, blueLast);
    off2 = _mm256_sub_epi32(s.all, lastAxis);
}

// round(c + 0.5) with ties to even, saturated to 0..255, for every c: that is
// c + 1 for an odd integer c, c for an even one, ⌊c⌋ + 1 otherwise.
inline __m256i toByte(__m256 c) {
    c = _mm256_max_ps(c, _mm256_set1_ps(-1.0f));  // also turns NaN into -1
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

inline __m256 channelSum(const float* grid, __m256i o0, __m256i o1, __m256i o2, __m256i o3,
                         __m256 w0, __m256 w1, __m256 w2, __m256 w3) {
    const __m256 c0 = _mm256_i32gather_ps(grid, o0, 4);
    const __m256 c1 = _mm256_i32gather_ps(grid, o1, 4);
    const __m256 c2 = _mm256_i32gather_ps(grid, o2, 4);
    const __m256 c3 = _mm256_i32gather_ps(grid, o3, 4);
    __m256 sum = _mm256_add_ps(_mm256_mul_ps(w0, c0), _mm256_mul_ps(w1, c1));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(w2, c2));
    return _mm256_add_ps(sum, _mm256_mul_ps(w3, c3));
}

}  // namespace

int mapLutRowAvx2(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst, int width) {
    const int stride = p.size + 1;
    const int e = kFastGridEntryFloats;
    Strides s;
    s.r = _mm256_set1_epi32(stride * stride * e);
    s.g = _mm256_set1_epi32(stride * e);
    s.b = _mm256_set1_epi32(e);
    s.all = _mm256_set1_epi32((stride * stride + stride + 1) * e);
    const __m256i strideVec = _mm256_set1_epi32(stride);
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256 one = _mm256_set1_ps(1.0f);

    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
        const __m256i b = _mm256_and_si256(px, byteMask);
        const __m256i g = _mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask);
        const __m256i r = _mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask);
        const __m256i alpha = _mm256_srli_epi32(px, 24);

        const __m256 fr = _mm256_i32gather_ps(p.fraction, r, 4);
        const __m256 fg = _mm256_i32gather_ps(p.fraction, g, 4);
        const __m256 fb = _mm256_i32gather_ps(p.fraction, b, 4);
        const __m256i ir = _mm256_i32gather_epi32(reinterpret_cast<const int*>(p.index), r, 4);
        const __m256i ig = _mm256_i32gather_epi32(reinterpret_cast<const int*>(p.index), g, 4);
        const __m256i ib = _mm256_i32gather_epi32(reinterpret_cast<const int*>(p.index), b, 4);

        const __m256 hi = _mm256_max_ps(_mm256_max_ps(fr, fg), fb);
        const __m256 lo = _mm256_min_ps(_mm256_min_ps(fr, fg), fb);
        const __m256 mid =
            _mm256_max_ps(_mm256_min_ps(fr, fg), _mm256_min_ps(_mm256_max_ps(fr, fg), fb));
        const __m256 w0 = _mm256_sub_ps(one, hi);
        const __m256 w1 = _mm256_sub_ps(hi, mid);
        const __m256 w2 = _mm256_sub_ps(mid, lo);
        const __m256 w3 = lo;

        __m256i off1, off2;
        innerCorners(fr, fg, fb, s, off1, off2);
        const __m256i cell = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ir, strideVec), ig), strideVec),
            ib);
        const __m256i o0 = _mm256_slli_epi32(cell, 2);
        const __m256i o1 = _mm256_add_epi32(o0, off1);
        const __m256i o2 = _mm256_add_epi32(o0, off2);
        const __m256i o3 = _mm256_add_epi32(o0, s.all);

        const float* grid = p.fastGrid;
        const __m256i red = toByte(channelSum(grid + 2, o0, o1, o2, o3, w0, w1, w2, w3));
        const __m256i green = toByte(channelSum(grid + 1, o0, o1, o2, o3, w0, w1, w2, w3));
        const __m256i blue = toByte(channelSum(grid, o0, o1, o2, o3, w0, w1, w2, w3));

        const __m256i out =
            _mm256_or_si256(_mm256_or_si256(multiplyByAlpha(blue, alpha),
                                            _mm256_slli_epi32(multiplyByAlpha(green, alpha), 8)),
                            _mm256_or_si256(_mm256_slli_epi32(multiplyByAlpha(red, alpha), 16),
                                            _mm256_slli_epi32(alpha, 24)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), out);
    }
    return x;
}

}  // namespace qlx
