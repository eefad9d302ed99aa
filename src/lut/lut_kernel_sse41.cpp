// The BGRA row kernel with SSE4.1: four pixels per register in the first
// pass, one in the second. Without FMA, grid coordinates come from the
// division itself.
#include "lut/lut_kernel_vector.h"
#include "simd/vector_sse41.h"

namespace qlx {
namespace {

struct LutSse41 : Sse41 {
    // Pixel k of a register.
    static QLX_INLINE F loadEntries(const float* grid, const std::int32_t* offsets) {
        return _mm_loadu_ps(grid + offsets[0]);
    }
    static QLX_INLINE I toBytes(F c) { return roundByParity<Sse41>(c); }
    static QLX_INLINE I inPixelOrder(I packed) { return packed; }  // one lane: in order
};

}  // namespace

int mapLutRowSse41(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst,
                   int width) {
    return mapRow<LutSse41>(p, src, dst, width);
}

void lutRoundSse41(const float* values, std::uint8_t* bytes, int count) {
    roundFloats<LutSse41>(values, bytes, count);
}

}  // namespace qlx
