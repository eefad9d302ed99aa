#include "lut/lut_fast_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

bool reciprocalMatchesDivision(float step, float reciprocal) {
    for (int level = 0; level < 255; ++level) {
        const float v = static_cast<float>(level);
        const float q = v * reciprocal;
        const float x = std::fma(std::fma(-q, step, v), reciprocal, q);
        const float divided = v / step;
        if (std::memcmp(&x, &divided, sizeof x) != 0) return false;
    }
    return true;
}

void LutFastGrid::prepare(const float* grid, int size, LutKernelParams& params) {
    const LutKernelKind kind = activeLutKernel();
    if (!valid_) {
        buildFastGrid(grid, size, floats_);
        // The same step the interpolation tables were made with.
        step_ = 255.0f / static_cast<float>(size - 1);
        reciprocal_ = 1.0f / step_;
        reciprocalExact_ = reciprocalMatchesDivision(step_, reciprocal_);
        valid_ = true;
        kind_ = kind;
        vectorRow_ = lutVectorRow(kind);
    } else if (kind != kind_) {
        kind_ = kind;
        vectorRow_ = lutVectorRow(kind);
    }
    params.fastGrid = floats_.data();
    params.step = step_;
    params.reciprocal = reciprocal_;
    params.reciprocalExact = reciprocalExact_;
    params.vectorRow = vectorRow_;
}

}  // namespace qlx
