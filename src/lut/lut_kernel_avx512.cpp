// BGRA rows with AVX-512, in chunks of 256 pixels and two passes per chunk.
// The first pass works out, sixteen pixels per register, the corner offsets
// and the four weights of every pixel and keeps them in a small buffer that
// stays in L1; the second reads each corner as one 16-byte entry of the
// derived grid, four pixels per register, sums, rounds and packs. Splitting
// the work this way keeps many independent corner loads in flight. Every
// floating-point operation on colours is the scalar kernel's, in its order.
#include <immintrin.h>

#include <cstring>

// GCC 12 reports its own AVX-512 intrinsics as reading uninitialised values
// (they start from an undefined register on purpose).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

#define QLX_INLINE inline __attribute__((always_inline))

namespace qlx {

namespace {

constexpr int kLanes = 16;
constexpr int kChunkBlocks = 16;  // 256 pixels per chunk
constexpr int kChunkPixels = kChunkBlocks * kLanes;

// What the first pass leaves for the second. Weights are stored per block as
// four registers; register k holds pixel 4L + k in 128-bit lane L as
// (w0, w1, w2, w3), which is also the order the second pass packs pixels in.
struct Chunk {
    alignas(64) std::int32_t c000[kChunkPixels];
    alignas(64) std::int32_t c1[kChunkPixels];
    alignas(64) std::int32_t c2[kChunkPixels];
    alignas(64) float weights[kChunkPixels * 4];
};

struct Setup {
    __m512 step, reciprocal, last, one;
    __m512 strideR, strideG, strideB;  // float offsets per index step
    __m512i axisR, axisG, axisB, all;  // the same as integers, and their sum
    int allOffset;                     // float offset of C111 from C000
    bool reciprocalExact;
};

Setup makeSetup(const LutKernelParams& p) {
    const int stride = p.size + 1, e = kFastGridEntryFloats;
    Setup s;
    s.step = _mm512_set1_ps(p.step);
    s.reciprocal = _mm512_set1_ps(p.reciprocal);
    s.last = _mm512_set1_ps(static_cast<float>(p.size - 1));
    s.one = _mm512_set1_ps(1.0f);
    s.strideR = _mm512_set1_ps(static_cast<float>(stride * stride * e));
    s.strideG = _mm512_set1_ps(static_cast<float>(stride * e));
    s.strideB = _mm512_set1_ps(static_cast<float>(e));
    s.axisR = _mm512_set1_epi32(stride * stride * e);
    s.axisG = _mm512_set1_epi32(stride * e);
    s.axisB = _mm512_set1_epi32(e);
    s.allOffset = (stride * stride + stride + 1) * e;
    s.all = _mm512_set1_epi32(s.allOffset);
    s.reciprocalExact = p.reciprocalExact;
    return s;
}

// The grid coordinate the interpolation tables hold for 8-bit levels:
// v ÷ step, or the same float from the reciprocal when that was proven equal
// for every level; level 255 is the last grid point.
QLX_INLINE void coordinates(__m512i level, const Setup& s, __m512& whole, __m512& fraction) {
    const __m512 v = _mm512_cvtepi32_ps(level);
    __m512 x;
    if (s.reciprocalExact) {
        const __m512 q = _mm512_mul_ps(v, s.reciprocal);
        x = _mm512_fmadd_ps(_mm512_fnmadd_ps(q, s.step, v), s.reciprocal, q);
    } else {
        x = _mm512_div_ps(v, s.step);
    }
    x = _mm512_mask_mov_ps(x, _mm512_cmpeq_epi32_mask(level, _mm512_set1_epi32(255)), s.last);
    whole = _mm512_roundscale_ps(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    fraction = _mm512_sub_ps(x, whole);
}

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
QLX_INLINE void innerCorners(__m512 fr, __m512 fg, __m512 fb, const Setup& s, __m512i& first,
                             __m512i& firstTwo) {
    const __mmask16 rg = _mm512_cmp_ps_mask(fr, fg, _CMP_GT_OQ);
    const __mmask16 gb = _mm512_cmp_ps_mask(fg, fb, _CMP_GT_OQ);
    const __mmask16 rb = _mm512_cmp_ps_mask(fr, fb, _CMP_GT_OQ);
    const __mmask16 bg = _mm512_cmp_ps_mask(fb, fg, _CMP_GT_OQ);
    const __mmask16 br = _mm512_cmp_ps_mask(fb, fr, _CMP_GT_OQ);

    const __mmask16 redFirst = rg & (gb | rb);
    const __mmask16 blueFirst = (rg & ~(gb | rb)) | (~rg & bg);
    first = _mm512_mask_blend_epi32(redFirst, _mm512_mask_blend_epi32(blueFirst, s.axisG, s.axisB),
                                    s.axisR);
    const __mmask16 blueLast = (rg & gb) | (~rg & ~(bg | br));
    const __mmask16 greenLast = rg & ~gb;
    const __m512i last = _mm512_mask_blend_epi32(
        blueLast, _mm512_mask_blend_epi32(greenLast, s.axisR, s.axisG), s.axisB);
    firstTwo = _mm512_sub_epi32(s.all, last);
}

// First pass over sixteen pixels: corner offsets and weights into the chunk.
QLX_INLINE void planBlock(const std::uint8_t* src, const Setup& s, Chunk& chunk, int block) {
    const __m512i px = _mm512_loadu_si512(src);
    const __m512i byteMask = _mm512_set1_epi32(0xFF);
    __m512 wr, wg, wb, fr, fg, fb;
    coordinates(_mm512_and_si512(_mm512_srli_epi32(px, 16), byteMask), s, wr, fr);
    coordinates(_mm512_and_si512(_mm512_srli_epi32(px, 8), byteMask), s, wg, fg);
    coordinates(_mm512_and_si512(px, byteMask), s, wb, fb);

    // Whole numbers below 2^24: the products and sums are exact.
    const __m512 cell = _mm512_fmadd_ps(
        wr, s.strideR, _mm512_fmadd_ps(wg, s.strideG, _mm512_mul_ps(wb, s.strideB)));
    const __m512i c000 = _mm512_cvttps_epi32(cell);
    __m512i first, firstTwo;
    innerCorners(fr, fg, fb, s, first, firstTwo);
    const int at = block * kLanes;
    _mm512_store_si512(chunk.c000 + at, c000);
    _mm512_store_si512(chunk.c1 + at, _mm512_add_epi32(c000, first));
    _mm512_store_si512(chunk.c2 + at, _mm512_add_epi32(c000, firstTwo));

    // The weights as the scalar kernel's branches pick them: max, median and
    // min of the three fractions are exactly the values its branch takes.
    const __m512 hi = _mm512_max_ps(_mm512_max_ps(fr, fg), fb);
    const __m512 lo = _mm512_min_ps(_mm512_min_ps(fr, fg), fb);
    const __m512 mid =
        _mm512_max_ps(_mm512_min_ps(fr, fg), _mm512_min_ps(_mm512_max_ps(fr, fg), fb));
    const __m512 w0 = _mm512_sub_ps(s.one, hi);
    const __m512 w1 = _mm512_sub_ps(hi, mid);
    const __m512 w2 = _mm512_sub_ps(mid, lo);
    const __m512 w3 = lo;
    const __m512 low01 = _mm512_unpacklo_ps(w0, w1), high01 = _mm512_unpackhi_ps(w0, w1);
    const __m512 low23 = _mm512_unpacklo_ps(w2, w3), high23 = _mm512_unpackhi_ps(w2, w3);
    auto pairs = [](__m512 a, __m512 b, bool high) {
        const __m512d x = _mm512_castps_pd(a), y = _mm512_castps_pd(b);
        return _mm512_castpd_ps(high ? _mm512_unpackhi_pd(x, y) : _mm512_unpacklo_pd(x, y));
    };
    float* w = chunk.weights + at * 4;
    _mm512_store_ps(w, pairs(low01, low23, false));
    _mm512_store_ps(w + 16, pairs(low01, low23, true));
    _mm512_store_ps(w + 32, pairs(high01, high23, false));
    _mm512_store_ps(w + 48, pairs(high01, high23, true));
}

// c + 0.5 rounded to nearest with ties to even as in double precision, then
// saturated. Clamped to [−0.5, 254.5] first (NaN becomes −0.5), the sum is
// formed rounding toward zero, so a sum just below k + 0.5 cannot round up
// to the tie; values above 2^-54, whose double sum exceeds 0.5, are raised
// to at least 0.25 so that they give 1. Proven equal to the scalar rule
// over every float.
QLX_INLINE __m512i toBytes(__m512 c) {
    __m512 t = _mm512_max_ps(c, _mm512_set1_ps(-0.5f));
    t = _mm512_min_ps(t, _mm512_set1_ps(254.5f));
    const __mmask16 positive = _mm512_cmp_ps_mask(c, _mm512_set1_ps(0x1p-54f), _CMP_GT_OQ);
    t = _mm512_mask_max_ps(t, positive, t, _mm512_set1_ps(0.25f));
    const __m512 sum =
        _mm512_add_round_ps(t, _mm512_set1_ps(0.5f), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm512_cvt_roundps_epi32(sum, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

// Four grid entries: pixels k, k+4, k+8 and k+12 of a block.
QLX_INLINE __m512 loadEntries(const float* grid, const std::int32_t* offsets) {
    __m512 v = _mm512_castps128_ps512(_mm_loadu_ps(grid + offsets[0]));
    v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[4]), 1);
    v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[8]), 2);
    return _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[12]), 3);
}

// Pixels k, k+4, k+8, k+12 of a block as 32-bit lanes b, g, r, 0.
QLX_INLINE __m512i mapGroup(const float* grid, const float* gridAll, const Chunk& chunk, int at,
                            int k) {
    const __m512 w = _mm512_load_ps(chunk.weights + (at + 4 * k) * 4);
    const __m512 c0 = loadEntries(grid, chunk.c000 + at + k);
    const __m512 c1 = loadEntries(grid, chunk.c1 + at + k);
    const __m512 c2 = loadEntries(grid, chunk.c2 + at + k);
    const __m512 c3 = loadEntries(gridAll, chunk.c000 + at + k);
    __m512 sum = _mm512_add_ps(_mm512_mul_ps(_mm512_permute_ps(w, 0x00), c0),
                               _mm512_mul_ps(_mm512_permute_ps(w, 0x55), c1));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_permute_ps(w, 0xAA), c2));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_permute_ps(w, 0xFF), c3));
    return toBytes(sum);
}

// ⌊(a × v + 127) ÷ 255⌋ on 16-bit lanes, as (t + 1 + (t >> 8)) >> 8.
QLX_INLINE __m512i multiplyByAlpha(__m512i v, __m512i alpha) {
    const __m512i t = _mm512_add_epi16(_mm512_mullo_epi16(v, alpha), _mm512_set1_epi16(127));
    const __m512i sum =
        _mm512_add_epi16(_mm512_add_epi16(t, _mm512_set1_epi16(1)), _mm512_srli_epi16(t, 8));
    return _mm512_srli_epi16(sum, 8);
}

// The alpha step on sixteen mapped pixels: colour times the source alpha
// (skipped when all sixteen are opaque), alpha copied.
QLX_INLINE __m512i applyAlpha(__m512i mapped, __m512i source) {
    const __m512i alphaBytes = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    if (_mm512_cmpeq_epi32_mask(_mm512_or_si512(source, _mm512_set1_epi32(0x00FFFFFF)),
                                _mm512_set1_epi32(-1)) == 0xFFFF) {
        return _mm512_or_si512(mapped, alphaBytes);
    }
    const __m512i zero = _mm512_setzero_si512();
    auto spreadAlpha = [](__m512i pixels16) {
        return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(pixels16, 0xFF), 0xFF);
    };
    const __m512i low = multiplyByAlpha(_mm512_unpacklo_epi8(mapped, zero),
                                        spreadAlpha(_mm512_unpacklo_epi8(source, zero)));
    const __m512i high = multiplyByAlpha(_mm512_unpackhi_epi8(mapped, zero),
                                         spreadAlpha(_mm512_unpackhi_epi8(source, zero)));
    return _mm512_mask_blend_epi8(0x8888888888888888ull, _mm512_packus_epi16(low, high), source);
}

// Second pass over sixteen pixels: corners, sums, bytes, alpha. The packs
// interleave the four groups back into pixel order.
QLX_INLINE void finishBlock(const float* grid, const float* gridAll, const Chunk& chunk, int block,
                            const std::uint8_t* src, std::uint8_t* dst) {
    const int at = block * kLanes;
    const __m512i g0 = mapGroup(grid, gridAll, chunk, at, 0);
    const __m512i g1 = mapGroup(grid, gridAll, chunk, at, 1);
    const __m512i g2 = mapGroup(grid, gridAll, chunk, at, 2);
    const __m512i g3 = mapGroup(grid, gridAll, chunk, at, 3);
    const __m512i mapped =
        _mm512_packus_epi16(_mm512_packus_epi32(g0, g1), _mm512_packus_epi32(g2, g3));
    _mm512_storeu_si512(dst, applyAlpha(mapped, _mm512_loadu_si512(src)));
}

void mapChunk(const LutKernelParams& p, const Setup& s, Chunk& chunk, const std::uint8_t* src,
              std::uint8_t* dst, int pixels) {
    const int blocks = pixels / kLanes, rest = pixels % kLanes;
    alignas(64) std::uint8_t tailIn[kLanes * 4] = {};
    alignas(64) std::uint8_t tailOut[kLanes * 4];
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

int mapLutRowAvx512(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst,
                    int width) {
    const Setup s = makeSetup(p);
    Chunk chunk;
    for (int x = 0; x < width; x += kChunkPixels) {
        const int pixels = width - x < kChunkPixels ? width - x : kChunkPixels;
        mapChunk(p, s, chunk, src + 4 * x, dst + 4 * x, pixels);
    }
    return width;
}

void lutRoundAvx512(const float* values, std::uint8_t* bytes, int count) {
    for (int i = 0; i + 4 * kLanes <= count; i += 4 * kLanes) {
        const __m512i g0 = toBytes(_mm512_loadu_ps(values + i));
        const __m512i g1 = toBytes(_mm512_loadu_ps(values + i + 16));
        const __m512i g2 = toBytes(_mm512_loadu_ps(values + i + 32));
        const __m512i g3 = toBytes(_mm512_loadu_ps(values + i + 48));
        const __m512i packed =
            _mm512_packus_epi16(_mm512_packus_epi32(g0, g1), _mm512_packus_epi32(g2, g3));
        // Undo the packs' interleaving: dword j of lane L came from group j.
        const __m512i order =
            _mm512_set_epi32(15, 11, 7, 3, 14, 10, 6, 2, 13, 9, 5, 1, 12, 8, 4, 0);
        _mm512_storeu_si512(bytes + i, _mm512_permutexvar_epi32(order, packed));
    }
}

}  // namespace qlx
