// A derived copy of the grid laid out for the vector kernels: (N+1)³ entries
// of four floats (blue, green, red, 0: the byte order of a BGRA pixel) with a
// stride of N+1 per axis, red the slowest. Index N repeats index N−1 on every
// axis, so the corner one step up needs no clamp. Made on the first
// application after a load, together with the choice of the row kernel.
#pragma once

#include <cstddef>
#include <vector>

#include "lut/lut_kernel.h"

namespace qlx {

constexpr int kFastGridEntryFloats = 4;

constexpr std::size_t fastGridFloats(int size) {
    return static_cast<std::size_t>(size + 1) * (size + 1) * (size + 1) * kFastGridEntryFloats;
}

// `grid` is the [65][65][65][3] grid of a LUT of size `size` (2 to 65).
void buildFastGrid(const float* grid, int size, std::vector<float>& fastGrid);

// Whether q = v·reciprocal corrected by fma(fma(−q, step, v), reciprocal, q)
// is the float v ÷ step for every level v from 0 to 254.
bool reciprocalMatchesDivision(float step, float reciprocal);

class LutFastGrid {
  public:
    // Forgets the grid; the next prepare builds it again.
    void invalidate() { valid_ = false; }
    // Fills the fast-path fields of `params` (fast grid, coordinate form,
    // vector kernel), building them on the first call after a load. The
    // kernel is picked then and kept while the kernel override stays.
    void prepare(const float* grid, int size, LutKernelParams& params);

  private:
    std::vector<float> floats_;
    bool valid_ = false;
    LutKernelKind kind_ = LutKernelKind::Scalar;
    LutVectorRow vectorRow_ = nullptr;
    float step_ = 0.0f, reciprocal_ = 0.0f;
    bool reciprocalExact_ = false;
};

}  // namespace qlx
