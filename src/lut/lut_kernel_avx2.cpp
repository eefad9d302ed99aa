// The BGRA row kernel with AVX2 and FMA: eight pixels per register in the
// first pass, two in the second.
#include "lut/lut_kernel_vector.h"
#include "simd/vector_avx2.h"

namespace qlx {
namespace {

struct LutAvx2 : Avx2 {
    // Pixels k and k + 4 of a register.
    static QLX_INLINE F loadEntries(const float* grid, const std::int32_t* offsets) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(grid + offsets[0])),
                                    _mm_loadu_ps(grid + offsets[4]), 1);
    }
    static QLX_INLINE I toBytes(F c) { return roundByParity<Avx2>(c); }
    // Undoes the packs' interleaving: dword j of lane L came from group j.
    static QLX_INLINE I inPixelOrder(I packed) {
        return _mm256_permutevar8x32_epi32(packed, _mm256_set_epi32(7, 3, 6, 2, 5, 1, 4, 0));
    }
};

}  // namespace

int mapLutRowAvx2(const LutKernelParams& p, const std::uint8_t* src, std::uint8_t* dst, int width) {
    return mapRow<LutAvx2>(p, src, dst, width);
}

void lutRoundAvx2(const float* values, std::uint8_t* bytes, int count) {
    roundFloats<LutAvx2>(values, bytes, count);
}

}  // namespace qlx
