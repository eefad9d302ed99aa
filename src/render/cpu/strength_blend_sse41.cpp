// The strength and skin blend with SSE4.1.
#include "render/cpu/strength_blend_vector.h"
#include "simd/vector_sse41.h"

namespace qlx {

int blendRowSse41(std::uint8_t* result, const std::uint8_t* original, int pixels,
                  const BlendRowSettings& settings) {
    return blendVectors<Sse41>(result, original, pixels, settings);
}

}  // namespace qlx
