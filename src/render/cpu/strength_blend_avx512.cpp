// The strength and skin blend with AVX-512.
#include "render/cpu/strength_blend_vector.h"
#include "simd/vector_avx512.h"

namespace qlx {

int blendRowAvx512(std::uint8_t* result, const std::uint8_t* original, int pixels,
                   const BlendRowSettings& settings) {
    return blendVectors<Avx512>(result, original, pixels, settings);
}

}  // namespace qlx
