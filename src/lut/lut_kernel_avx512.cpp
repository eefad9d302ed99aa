// The BGRA row kernel with AVX-512: sixteen pixels per register in the first
// pass, four in the second.
#include "lut/lut_kernel_vector.h"
#include "simd/vector_avx512.h"

namespace qlx {
namespace {

struct LutAvx512 : Avx512 {
    // Pixels k, k + 4, k + 8 and k + 12 of a register.
    static QLX_INLINE F loadEntries(const float* grid, const std::int32_t* offsets) {
        F v = _mm512_castps128_ps512(_mm_loadu_ps(grid + offsets[0]));
        v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[4]), 1);
        v = _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[8]), 2);
        return _mm512_insertf32x4(v, _mm_loadu_ps(grid + offsets[12]), 3);
    }
    // c + 0.5 rounded to nearest with ties to even as in double precision,
    // then saturated. Clamped to [−0.5, 254.5] first (NaN becomes −0.5), the
    // sum is formed rounding toward zero, so a sum just below k + 0.5 cannot
    // round up to the tie; values above 2^-54, whose double sum exceeds 0.5,
    // are raised to at least 0.25 so that they give 1.
    static QLX_INLINE I toBytes(F c) {
        F t = min(max(c, splat(-0.5f)), splat(254.5f));
        t = _mm512_mask_max_ps(t, greater(c, splat(0x1p-54f)), t, splat(0.25f));
        const F sum = _mm512_add_round_ps(t, splat(0.5f), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        return _mm512_cvt_roundps_epi32(sum, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    }
    // Undoes the packs' interleaving: dword j of lane L came from group j.
    static QLX_INLINE I inPixelOrder(I packed) {
        const I order = _mm512_set_epi32(15, 11, 7, 3, 14, 10, 6, 2, 13, 9, 5, 1, 12, 8, 4, 0);
        return _mm512_permutexvar_epi32(order, packed);
    }
};

}  // namespace

int mapLutRowAvx512(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst,
                    int width) {
    return mapRow<LutAvx512>(p, src, dst, width);
}

void lutRoundAvx512(const float* values, std::uint8_t* bytes, int count) {
    roundFloats<LutAvx512>(values, bytes, count);
}

}  // namespace qlx
