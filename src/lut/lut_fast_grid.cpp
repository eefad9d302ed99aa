#include "lut/lut_fast_grid.h"

#include <algorithm>

namespace qlx {

void buildFastGrid(const float* grid, int size, std::vector<float>& fastGrid) {
    fastGrid.assign(fastGridFloats(size), 0.0f);
    const int stride = size + 1;
    const int last = size - 1;
    float* out = fastGrid.data();
    for (int r = 0; r < stride; ++r) {
        for (int g = 0; g < stride; ++g) {
            for (int b = 0; b < stride; ++b, out += kFastGridEntryFloats) {
                const int sr = std::min(r, last), sg = std::min(g, last), sb = std::min(b, last);
                const float* in = grid + ((sr * 65 + sg) * 65 + sb) * 3;
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
    }
}

}  // namespace qlx
