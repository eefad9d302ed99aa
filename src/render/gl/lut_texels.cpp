#include "render/gl/lut_texels.h"

#include <algorithm>

#include "lut/cube_lut.h"

namespace tonekit {

std::vector<float> lutTexels(const qlx::CubeLut& lut) {
    constexpr std::size_t kStride = qlx::CubeLut::kGridDim;
    if (lut.packed()) return {};  // table() is then the packed list, not the grid
    const std::size_t n = static_cast<std::size_t>(std::max(lut.size(), 0));
    const float* grid = lut.table();  // entry [r][g][b] at ((r * 65 + g) * 65 + b) * 3
    std::vector<float> texels;
    texels.reserve(n * n * n * 3);
    for (std::size_t b = 0; b < n; ++b) {
        for (std::size_t g = 0; g < n; ++g) {
            for (std::size_t r = 0; r < n; ++r) {
                const float* entry = grid + ((r * kStride + g) * kStride + b) * 3;
                texels.insert(texels.end(), entry, entry + 3);
            }
        }
    }
    return texels;
}

}  // namespace tonekit
