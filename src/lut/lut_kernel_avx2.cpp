// BGRA rows with AVX2 and FMA, in chunks of 256 pixels and two passes per
// chunk, as the AVX-512 kernel does with half the lanes: the first pass
// works out corner offsets and weights eight pixels per register into a small
// L1-resident buffer, the second reads each corner as one 16-byte entry of
// the derived grid, two pixels per register, sums, rounds and packs. Every
// floating-point operation on colours is the scalar kernel's, in its order.
#include <immintrin.h>

#include <cstring>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

#define QLX_INLINE inline __attribute__((always_inline))

namespace qlx {

namespace {

constexpr float kHalfUlpOfHalf = 0x1p-54f;  // half the spacing of doubles at 0.5
constexpr int kLanes = 8;
constexpr int kChunkBlocks = 32;  // 256 pixels per chunk
constexpr int kChunkPixels = kChunkBlocks * kLanes;

// What the first pass leaves for the second. Weights are stored per block as
// four registers; register k holds pixel 4L + k in 128-bit lane L as
// (w0, w1, w2, w3), which is also the order the second pass packs pixels in.
struct Chunk {
    alignas(32) std::int32_t c000[kChunkPixels];
    alignas(32) std::int32_t c1[kChunkPixels];
    alignas(32) std::int32_t c2[kChunkPixels];
    alignas(32) float weights[kChunkPixels * 4];
};

struct Setup {
    __m256 step, reciprocal, last, one;
    __m256 strideR, strideG, strideB;  // float offsets per index step
    __m256i axisR, axisG, axisB, all;  // the same as integers, and their sum
    int allOffset;                     // float offset of C111 from C000
    bool reciprocalExact;
};

Setup makeSetup(const LutKernelParams& p) {
    const int stride = p.size + 1, e = kFastGridEntryFloats;
    Setup s;
    s.step = _mm256_set1_ps(p.step);
    s.reciprocal = _mm256_set1_ps(p.reciprocal);
    s.last = _mm256_set1_ps(static_cast<float>(p.size - 1));
    s.one = _mm256_set1_ps(1.0f);
    s.strideR = _mm256_set1_ps(static_cast<float>(stride * stride * e));
    s.strideG = _mm256_set1_ps(static_cast<float>(stride * e));
    s.strideB = _mm256_set1_ps(static_cast<float>(e));
    s.axisR = _mm256_set1_epi32(stride * stride * e);
    s.axisG = _mm256_set1_epi32(stride * e);
    s.axisB = _mm256_set1_epi32(e);
    s.allOffset = (stride * stride + stride + 1) * e;
    s.all = _mm256_set1_epi32(s.allOffset);
    s.reciprocalExact = p.reciprocalExact;
    return s;
}

QLX_INLINE __m256i greater(__m256 a, __m256 b) {
    return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_GT_OQ));
}

// The grid coordinate the interpolation tables hold for 8-bit levels:
// v ÷ step, or the same float from the reciprocal when that was proven equal
// for every level; level 255 is the last grid point.
QLX_INLINE void coordinates(__m256i level, const Setup& s, __m256& whole, __m256& fraction) {
    const __m256 v = _mm256_cvtepi32_ps(level);
    __m256 x;
    if (s.reciprocalExact) {
        const __m256 q = _mm256_mul_ps(v, s.reciprocal);
        x = _mm256_fmadd_ps(_mm256_fnmadd_ps(q, s.step, v), s.reciprocal, q);
    } else {
        x = _mm256_div_ps(v, s.step);
    }
    x = _mm256_blendv_ps(x, s.last,
                         _mm256_castsi256_ps(_mm256_cmpeq_epi32(level, _mm256_set1_epi32(255))));
    whole = _mm256_floor_ps(x);
    fraction = _mm256_sub_ps(x, whole);
}

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
QLX_INLINE void innerCorners(__m256 fr, __m256 fg, __m256 fb, const Setup& s, __m256i& first,
                             __m256i& firstTwo) {
    const __m256i rg = greater(fr, fg), gb = greater(fg, fb), rb = greater(fr, fb);
    const __m256i bg = greater(fb, fg), br = greater(fb, fr);
    const __m256i ones = _mm256_set1_epi32(-1);

    const __m256i gbOrRb = _mm256_or_si256(gb, rb);
    const __m256i redFirst = _mm256_and_si256(rg, gbOrRb);
    const __m256i blueFirst = _mm256_blendv_epi8(bg, _mm256_xor_si256(gbOrRb, ones), rg);
    first = _mm256_blendv_epi8(_mm256_blendv_epi8(s.axisG, s.axisB, blueFirst), s.axisR, redFirst);

    const __m256i blueLast =
        _mm256_blendv_epi8(_mm256_xor_si256(_mm256_or_si256(bg, br), ones), gb, rg);
    const __m256i greenLast = _mm256_andnot_si256(gb, rg);
    const __m256i last =
        _mm256_blendv_epi8(_mm256_blendv_epi8(s.axisR, s.axisG, greenLast), s.axisB, blueLast);
    firstTwo = _mm256_sub_epi32(s.all, last);
}

// First pass over eight pixels: corner offsets and weights into the chunk.
QLX_INLINE void planBlock(const std::uint8_t* src, const Setup& s, Chunk& chunk, int block) {
    const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    __m256 wr, wg, wb, fr, fg, fb;
    coordinates(_mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask), s, wr, fr);
    coordinates(_mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask), s, wg, fg);
    coordinates(_mm256_and_si256(px, byteMask), s, wb, fb);

    // Whole numbers below 2^24: the products and sums are exact.
    const __m256 cell = _mm256_fmadd_ps(
        wr, s.strideR, _mm256_fmadd_ps(wg, s.strideG, _mm256_mul_ps(wb, s.strideB)));
    const __m256i c000 = _mm256_cvttps_epi32(cell);
    __m256i first, firstTwo;
    innerCorners(fr, fg, fb, s, first, firstTwo);
    const int at = block * kLanes;
    _mm256_store_si256(reinterpret_cast<__m256i*>(chunk.c000 + at), c000);
    _mm256_store_si256(reinterpret_cast<__m256i*>(chunk.c1 + at), _mm256_add_epi32(c000, first));
    _mm256_store_si256(reinterpret_cast<__m256i*>(chunk.c2 + at), _mm256_add_epi32(c000, firstTwo));

    // The weights as the scalar kernel's branches pick them: max, median and
    // min of the three fractions are exactly the values its branch takes.
    const __m256 hi = _mm256_max_ps(_mm256_max_ps(fr, fg), fb);
    const __m256 lo = _mm256_min_ps(_mm256_min_ps(fr, fg), fb);
    const __m256 mid =
        _mm256_max_ps(_mm256_min_ps(fr, fg), _mm256_min_ps(_mm256_max_ps(fr, fg), fb));
    const __m256 w0 = _mm256_sub_ps(s.one, hi);
    const __m256 w1 = _mm256_sub_ps(hi, mid);
    const __m256 w2 = _mm256_sub_ps(mid, lo);
    const __m256 w3 = lo;
    const __m256 low01 = _mm256_unpacklo_ps(w0, w1), high01 = _mm256_unpackhi_ps(w0, w1);
    const __m256 low23 = _mm256_unpacklo_ps(w2, w3), high23 = _mm256_unpackhi_ps(w2, w3);
    auto pairs = [](__m256 a, __m256 b, bool high) {
        const __m256d x = _mm256_castps_pd(a), y = _mm256_castps_pd(b);
        return _mm256_castpd_ps(high ? _mm256_unpackhi_pd(x, y) : _mm256_unpacklo_pd(x, y));
    };
    float* w = chunk.weights + at * 4;
    _mm256_store_ps(w, pairs(low01, low23, false));
    _mm256_store_ps(w + 8, pairs(low01, low23, true));
    _mm256_store_ps(w + 16, pairs(high01, high23, false));
    _mm256_store_ps(w + 24, pairs(high01, high23, true));
}

// c + 0.5 in double precision rounded to nearest with ties to even, then
// saturated: c + 1 for an odd integer c, c for an even one, ⌊c⌋ + 1 otherwise;
// and 0 for c ≤ 2^-54, where c + 0.5 rounds back to 0.5 (NaN included).
// Proven equal to the scalar rule over every float.
QLX_INLINE __m256i toBytes(__m256 c) {
    c = _mm256_blendv_ps(_mm256_set1_ps(-1.0f), c,
                         _mm256_cmp_ps(c, _mm256_set1_ps(kHalfUlpOfHalf), _CMP_GT_OQ));
    c = _mm256_min_ps(c, _mm256_set1_ps(256.0f));
    const __m256 whole = _mm256_floor_ps(c);
    const __m256i wholeInt = _mm256_cvttps_epi32(whole);
    const __m256i isInteger = _mm256_castps_si256(_mm256_cmp_ps(c, whole, _CMP_EQ_OQ));
    const __m256i isEven = _mm256_cmpeq_epi32(_mm256_and_si256(wholeInt, _mm256_set1_epi32(1)),
                                              _mm256_setzero_si256());
    const __m256i up = _mm256_sub_epi32(wholeInt, _mm256_set1_epi32(-1));
    return _mm256_add_epi32(up, _mm256_and_si256(isInteger, isEven));  // packs saturate
}

// Two grid entries: pixels k and k+4 of a block.
QLX_INLINE __m256 loadEntries(const float* grid, const std::int32_t* offsets) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(grid + offsets[0])),
                                _mm_loadu_ps(grid + offsets[4]), 1);
}

// Pixels k and k+4 of a block as 32-bit lanes b, g, r, 0.
QLX_INLINE __m256i mapGroup(const float* grid, const float* gridAll, const Chunk& chunk, int at,
                            int k) {
    const __m256 w = _mm256_load_ps(chunk.weights + (at + 2 * k) * 4);
    const __m256 c0 = loadEntries(grid, chunk.c000 + at + k);
    const __m256 c1 = loadEntries(grid, chunk.c1 + at + k);
    const __m256 c2 = loadEntries(grid, chunk.c2 + at + k);
    const __m256 c3 = loadEntries(gridAll, chunk.c000 + at + k);
    __m256 sum = _mm256_add_ps(_mm256_mul_ps(_mm256_permute_ps(w, 0x00), c0),
                               _mm256_mul_ps(_mm256_permute_ps(w, 0x55), c1));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_permute_ps(w, 0xAA), c2));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_permute_ps(w, 0xFF), c3));
    return toBytes(sum);
}

// ⌊(a × v + 127) ÷ 255⌋ on 16-bit lanes, as (t + 1 + (t >> 8)) >> 8.
QLX_INLINE __m256i multiplyByAlpha(__m256i v, __m256i alpha) {
    const __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(v, alpha), _mm256_set1_epi16(127));
    const __m256i sum =
        _mm256_add_epi16(_mm256_add_epi16(t, _mm256_set1_epi16(1)), _mm256_srli_epi16(t, 8));
    return _mm256_srli_epi16(sum, 8);
}

// The alpha step on eight mapped pixels: colour times the source alpha
// (skipped when all eight are opaque), alpha copied.
QLX_INLINE __m256i applyAlpha(__m256i mapped, __m256i source) {
    const __m256i alphaBytes = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i opaque = _mm256_cmpeq_epi32(
        _mm256_or_si256(source, _mm256_set1_epi32(0x00FFFFFF)), _mm256_set1_epi32(-1));
    if (_mm256_movemask_epi8(opaque) == -1) return _mm256_or_si256(mapped, alphaBytes);
    const __m256i zero = _mm256_setzero_si256();
    auto spreadAlpha = [](__m256i pixels16) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(pixels16, 0xFF), 0xFF);
    };
    const __m256i low = multiplyByAlpha(_mm256_unpacklo_epi8(mapped, zero),
                                        spreadAlpha(_mm256_unpacklo_epi8(source, zero)));
    const __m256i high = multiplyByAlpha(_mm256_unpackhi_epi8(mapped, zero),
                                         spreadAlpha(_mm256_unpackhi_epi8(source, zero)));
    return _mm256_blendv_epi8(_mm256_packus_epi16(low, high), source, alphaBytes);
}

// Second pass over eight pixels: corners, sums, bytes, alpha. The packs
// interleave the four groups back into pixel order.
QLX_INLINE void finishBlock(const float* grid, const float* gridAll, const Chunk& chunk, int block,
                            const std::uint8_t* src, std::uint8_t* dst) {
    const int at = block * kLanes;
    const __m256i g0 = mapGroup(grid, gridAll, chunk, at, 0);
    const __m256i g1 = mapGroup(grid, gridAll, chunk, at, 1);
    const __m256i g2 = mapGroup(grid, gridAll, chunk, at, 2);
    const __m256i g3 = mapGroup(grid, gridAll, chunk, at, 3);
    const __m256i mapped =
        _mm256_packus_epi16(_mm256_packus_epi32(g0, g1), _mm256_packus_epi32(g2, g3));
    const __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), applyAlpha(mapped, source));
}

void mapChunk(const LutKernelParams& p, const Setup& s, Chunk& chunk, const std::uint8_t* src,
              std::uint8_t* dst, int pixels) {
    const int blocks = pixels / kLanes, rest = pixels % kLanes;
    alignas(32) std::uint8_t tailIn[kLanes * 4] = {};
    alignas(32) std::uint8_t tailOut[kLanes * 4];
    for (int b = 0; b < blocks; ++b) planBlock(src + b * kLanes * 4, s, chunk, b);
    if (rest != 0) {
        std::memcpy(tailIn, src + blocks * kLanes * 4, static_cast<std::size_t>(rest) * 4);
        planBlock(tailIn, s, chunk, blocks);
    }
    const float* grid = p.fastGrid;
    const float* gridAll = grid + s.allOffset;
    for (int b = 0; b < blocks; ++b) {
        finishBlock(grid, gridAll, chunk, b, src + b * kLanes * 4, dst + b * kLanes * 4);
    }
    if (rest != 0) {
        finishBlock(grid, gridAll, chunk, blocks, tailIn, tailOut);
        std::memcpy(dst + blocks * kLanes * 4, tailOut, static_cast<std::size_t>(rest) * 4);
    }
}

}  // namespace

int mapLutRowAvx2(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst, int width) {
    const Setup s = makeSetup(p);
    Chunk chunk;
    for (int x = 0; x < width; x += kChunkPixels) {
        const int pixels = width - x < kChunkPixels ? width - x : kChunkPixels;
        mapChunk(p, s, chunk, src + 4 * x, dst + 4 * x, pixels);
    }
    return width;
}

void lutRoundAvx2(const float* values, std::uint8_t* bytes, int count) {
    // Undo the packs' interleaving: dword j of lane L came from group j.
    const __m256i order = _mm256_set_epi32(7, 3, 6, 2, 5, 1, 4, 0);
    for (int i = 0; i + 4 * kLanes <= count; i += 4 * kLanes) {
        const __m256i g0 = toBytes(_mm256_loadu_ps(values + i));
        const __m256i g1 = toBytes(_mm256_loadu_ps(values + i + 8));
        const __m256i g2 = toBytes(_mm256_loadu_ps(values + i + 16));
        const __m256i g3 = toBytes(_mm256_loadu_ps(values + i + 24));
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packus_epi32(g0, g1), _mm256_packus_epi32(g2, g3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + i),
                            _mm256_permutevar8x32_epi32(packed, order));
    }
}

}  // namespace qlx
