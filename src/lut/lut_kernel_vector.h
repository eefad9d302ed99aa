// The BGRA row kernel of every vector width, written once over the vector
// traits (simd/vector_traits.h) and compiled per instruction-set family in
// lut_kernel_sse41.cpp, lut_kernel_avx2.cpp and lut_kernel_avx512.cpp, which
// add the kernel's own operations (loadEntries, toBytes, inPixelOrder).
//
// Two passes per chunk of 256 pixels. The first works out, one register of
// pixels at a time, the corner offsets and the four weights of every pixel
// and keeps them in a small buffer that stays in L1; the second reads each
// corner as one 16-byte entry of the derived grid, one pixel per 128-bit lane,
// sums, rounds and packs. Splitting the work this way keeps many independent
// corner loads in flight. Every floating-point operation on colours is the
// scalar kernel's, in its order.
#pragma once

#include <cstring>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"
#include "simd/vector_traits.h"

namespace qlx {
namespace {

constexpr int kChunkPixels = 256;

// What the first pass leaves for the second. Weights are stored per register
// of pixels as four registers; register k holds pixel 4L + k in 128-bit lane L
// as (w0, w1, w2, w3), which is also the order the second pass packs pixels in.
struct Chunk {
    alignas(64) std::int32_t c000[kChunkPixels];
    alignas(64) std::int32_t c1[kChunkPixels];
    alignas(64) std::int32_t c2[kChunkPixels];
    alignas(64) float weights[kChunkPixels * 4];
};

template <class V>
struct Setup {
    VF<V> step, reciprocal, last;
    VF<V> strideR, strideG, strideB;  // float offsets per index step
    VI<V> axisR, axisG, axisB, all;   // the same as integers, and their sum
    int allOffset;                    // float offset of C111 from C000
    bool reciprocalExact;
};

template <class V>
Setup<V> makeSetup(const LutKernelParams& p) {
    const int stride = p.size + 1, e = kFastGridEntryFloats;
    Setup<V> s;
    s.step = V::splat(p.step);
    s.reciprocal = V::splat(p.reciprocal);
    s.last = V::splat(static_cast<float>(p.size - 1));
    s.strideR = V::splat(static_cast<float>(stride * stride * e));
    s.strideG = V::splat(static_cast<float>(stride * e));
    s.strideB = V::splat(static_cast<float>(e));
    s.axisR = V::splat(stride * stride * e);
    s.axisG = V::splat(stride * e);
    s.axisB = V::splat(e);
    s.allOffset = (stride * stride + stride + 1) * e;
    s.all = V::splat(s.allOffset);
    s.reciprocalExact = p.reciprocalExact;
    return s;
}

// a·b + c for whole numbers below 2^24, where fusing changes nothing.
template <class V>
QLX_INLINE VF<V> exactMulAdd(VF<V> a, VF<V> b, VF<V> c) {
    if constexpr (V::kFma) return V::fmadd(a, b, c);
    return a * b + c;
}

// v ÷ step, or the same float from the reciprocal when that was proven equal
// for every level.
template <class V>
QLX_INLINE VF<V> quotient(VF<V> v, const Setup<V>& s) {
    if constexpr (V::kFma) {
        if (s.reciprocalExact) {
            const VF<V> q = v * s.reciprocal;
            return V::fmadd(V::fnmadd(q, s.step, v), s.reciprocal, q);
        }
    }
    return v / s.step;
}

// The grid coordinate the interpolation tables hold for 8-bit levels; level
// 255 is the last grid point.
template <class V>
QLX_INLINE void coordinates(VI<V> level, const Setup<V>& s, VF<V>& whole, VF<V>& fraction) {
    const VF<V> x = V::pick(V::equal(level, V::splat(255)), s.last, quotient(V::toFloat(level), s));
    whole = V::floor(x);
    fraction = x - whole;
}

// Offsets of C1 (first axis) and C2 (first two axes) for the six tetrahedra,
// decided by the scalar kernel's tests in the scalar kernel's order.
template <class V>
QLX_INLINE void innerCorners(VF<V> fr, VF<V> fg, VF<V> fb, const Setup<V>& s, VI<V>& first,
                             VI<V>& firstTwo) {
    const VM<V> rg = V::greater(fr, fg), gb = V::greater(fg, fb), rb = V::greater(fr, fb);
    const VM<V> bg = V::greater(fb, fg), br = V::greater(fb, fr);

    const VM<V> gbOrRb = gb | rb;
    const VM<V> redFirst = rg & gbOrRb;
    const VM<V> blueFirst = V::pick(rg, ~gbOrRb, bg);
    first = V::pick(redFirst, s.axisR, V::pick(blueFirst, s.axisB, s.axisG));

    const VM<V> blueLast = V::pick(rg, gb, ~(bg | br));
    const VM<V> greenLast = rg & ~gb;
    const VI<V> last = V::pick(blueLast, s.axisB, V::pick(greenLast, s.axisG, s.axisR));
    firstTwo = V::sub32(s.all, last);
}

// First pass over one register of pixels: corner offsets and weights.
template <class V>
QLX_INLINE void planBlock(const std::uint8_t* src, const Setup<V>& s, Chunk& chunk, int block) {
    const VI<V> px = V::loadBytes(src);
    const VI<V> byteMask = V::splat(0xFF);
    VF<V> wr, wg, wb, fr, fg, fb;
    coordinates(V::shr32(px, 16) & byteMask, s, wr, fr);
    coordinates(V::shr32(px, 8) & byteMask, s, wg, fg);
    coordinates(px & byteMask, s, wb, fb);

    // Whole numbers below 2^24: the products and sums are exact.
    const VF<V> cell = exactMulAdd<V>(wr, s.strideR, exactMulAdd<V>(wg, s.strideG, wb * s.strideB));
    const VI<V> c000 = V::truncate(cell);
    VI<V> first, firstTwo;
    innerCorners(fr, fg, fb, s, first, firstTwo);
    const int at = block * V::kLanes;
    V::store(chunk.c000 + at, c000);
    V::store(chunk.c1 + at, V::add32(c000, first));
    V::store(chunk.c2 + at, V::add32(c000, firstTwo));

    // The weights as the scalar kernel's branches pick them: max, median and
    // min of the three fractions are exactly the values its branch takes.
    const VF<V> hi = V::max(V::max(fr, fg), fb);
    const VF<V> lo = V::min(V::min(fr, fg), fb);
    const VF<V> mid = V::max(V::min(fr, fg), V::min(V::max(fr, fg), fb));
    const VF<V> w0 = V::splat(1.0f) - hi, w1 = hi - mid, w2 = mid - lo, w3 = lo;
    const VF<V> low01 = V::unpackLo(w0, w1), high01 = V::unpackHi(w0, w1);
    const VF<V> low23 = V::unpackLo(w2, w3), high23 = V::unpackHi(w2, w3);
    float* w = chunk.weights + at * 4;
    V::store(w, V::pairLo(low01, low23));
    V::store(w + V::kLanes, V::pairHi(low01, low23));
    V::store(w + 2 * V::kLanes, V::pairLo(high01, high23));
    V::store(w + 3 * V::kLanes, V::pairHi(high01, high23));
}

// c + 0.5 in double precision rounded to nearest with ties to even, for
// instruction sets without per-instruction rounding: c + 1 for an odd integer
// c, c for an even one, ⌊c⌋ + 1 otherwise; and 0 for c ≤ 2^-54, where c + 0.5
// rounds back to 0.5 (NaN included). The packs saturate above 255.
template <class V>
QLX_INLINE VI<V> roundByParity(VF<V> c) {
    c = V::pick(V::greater(c, V::splat(0x1p-54f)), c, V::splat(-1.0f));
    c = V::min(c, V::splat(256.0f));
    const VF<V> whole = V::floor(c);
    const VI<V> wholeInt = V::truncate(whole);
    const VM<V> evenInteger = V::equal(c, whole) & V::equal(wholeInt & V::splat(1), V::splat(0));
    return V::add32(V::sub32(wholeInt, V::splat(-1)), evenInteger);  // −1 for an even integer
}

// Pixels k, k + 4, ... of a register as 32-bit lanes b, g, r, 0.
template <class V>
QLX_INLINE VI<V> mapGroup(const float* grid, const float* gridAll, const Chunk& chunk, int at,
                          int k) {
    VF<V> w0, w1, w2, w3;
    V::spreadEach(V::load(chunk.weights + at * 4 + k * V::kLanes), w0, w1, w2, w3);
    const VF<V> c0 = V::loadEntries(grid, chunk.c000 + at + k);
    const VF<V> c1 = V::loadEntries(grid, chunk.c1 + at + k);
    const VF<V> c2 = V::loadEntries(grid, chunk.c2 + at + k);
    const VF<V> c3 = V::loadEntries(gridAll, chunk.c000 + at + k);
    return V::toBytes(((w0 * c0 + w1 * c1) + w2 * c2) + w3 * c3);
}

// ⌊(a × v + 127) ÷ 255⌋ on 16-bit lanes, as (t + 1 + (t >> 8)) >> 8.
template <class V>
QLX_INLINE VI<V> multiplyByAlpha(VI<V> v, VI<V> alpha) {
    const VI<V> t = V::add16(V::mullo16(v, alpha), V::splat16(127));
    return V::shr16(V::add16(V::add16(t, V::splat16(1)), V::shr16(t, 8)), 8);
}

// The alpha step on one register of mapped pixels: colour times the source
// alpha (skipped when all are opaque), alpha copied. The mapped alpha bytes
// are 0, and so are their products.
template <class V>
QLX_INLINE VI<V> applyAlpha(VI<V> mapped, VI<V> source) {
    const VI<V> alphaBytes = V::splat(static_cast<int>(0xFF000000u));
    if (V::all(V::equal(source | V::splat(0x00FFFFFF), V::splat(-1)))) return mapped | alphaBytes;
    const VI<V> zero = V::splat(0);
    const VI<V> low = multiplyByAlpha<V>(V::unpackLoBytes(mapped, zero),
                                         V::spreadAlpha(V::unpackLoBytes(source, zero)));
    const VI<V> high = multiplyByAlpha<V>(V::unpackHiBytes(mapped, zero),
                                          V::spreadAlpha(V::unpackHiBytes(source, zero)));
    return V::packus16(low, high) | (source & alphaBytes);
}

// Four groups of 32-bit results packed to bytes; the packs interleave the
// groups back into pixel order.
template <class V>
QLX_INLINE VI<V> packGroups(VI<V> g0, VI<V> g1, VI<V> g2, VI<V> g3) {
    return V::packus16(V::packus32(g0, g1), V::packus32(g2, g3));
}

// Second pass over one register of pixels: corners, sums, bytes, alpha.
template <class V>
QLX_INLINE void finishBlock(const float* grid, const float* gridAll, const Chunk& chunk, int block,
                            const std::uint8_t* src, std::uint8_t* dst) {
    const int at = block * V::kLanes;
    // Named in order: the order of evaluating arguments is the compiler's.
    const VI<V> g0 = mapGroup<V>(grid, gridAll, chunk, at, 0);
    const VI<V> g1 = mapGroup<V>(grid, gridAll, chunk, at, 1);
    const VI<V> g2 = mapGroup<V>(grid, gridAll, chunk, at, 2);
    const VI<V> g3 = mapGroup<V>(grid, gridAll, chunk, at, 3);
    V::storeBytes(dst, applyAlpha<V>(packGroups<V>(g0, g1, g2, g3), V::loadBytes(src)));
}

template <class V>
void mapChunk(const LutKernelParams& p, const Setup<V>& s, Chunk& chunk, const std::uint8_t* src,
              std::uint8_t* dst, int pixels) {
    constexpr int kBlockBytes = V::kLanes * 4;
    const int blocks = pixels / V::kLanes, rest = pixels % V::kLanes;
    alignas(64) std::uint8_t tailIn[kBlockBytes] = {};
    alignas(64) std::uint8_t tailOut[kBlockBytes];
    for (int b = 0; b < blocks; ++b) planBlock(src + b * kBlockBytes, s, chunk, b);
    if (rest != 0) {
        std::memcpy(tailIn, src + blocks * kBlockBytes, static_cast<std::size_t>(rest) * 4);
        planBlock(tailIn, s, chunk, blocks);
    }
    const float* grid = p.fastGrid;
    const float* gridAll = grid + s.allOffset;
    for (int b = 0; b < blocks; ++b) {
        finishBlock<V>(grid, gridAll, chunk, b, src + b * kBlockBytes, dst + b * kBlockBytes);
    }
    if (rest != 0) {
        finishBlock<V>(grid, gridAll, chunk, blocks, tailIn, tailOut);
        std::memcpy(dst + blocks * kBlockBytes, tailOut, static_cast<std::size_t>(rest) * 4);
    }
}

// A whole row of BGRA pixels.
template <class V>
int mapRow(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst, int width) {
    const Setup<V> s = makeSetup<V>(p);
    Chunk chunk;
    for (int x = 0; x < width; x += kChunkPixels) {
        const int pixels = width - x < kChunkPixels ? width - x : kChunkPixels;
        mapChunk(p, s, chunk, src + 4 * x, dst + 4 * x, pixels);
    }
    return width;
}

// The byte conversion alone, on whole groups of 4 × kLanes floats.
template <class V>
void roundFloats(const float* values, std::uint8_t* bytes, int count) {
    constexpr int kGroup = V::kLanes;
    for (int i = 0; i + 4 * kGroup <= count; i += 4 * kGroup) {
        const VI<V> packed =
            packGroups<V>(V::toBytes(V::load(values + i)), V::toBytes(V::load(values + i + kGroup)),
                          V::toBytes(V::load(values + i + 2 * kGroup)),
                          V::toBytes(V::load(values + i + 3 * kGroup)));
        V::storeBytes(bytes + i, V::inPixelOrder(packed));
    }
}

}  // namespace
}  // namespace qlx
