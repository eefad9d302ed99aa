// The strength and skin blend with AVX2.
#include "render/cpu/strength_blend_vector.h"
#include "simd/vector_avx2.h"

namespace qlx {

int blendRowAvx2(std::uint8_t* result, const std::uint8_t* original, int pixels,
                 const BlendRowSettings& settings) {
    return blendVectors<Avx2>(result, original, pixels, settings);
}

}  // namespace qlx
