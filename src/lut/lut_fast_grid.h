// A derived copy of the grid laid out for the vector kernels: (N+1)³ entries
// of four floats (blue, green, red, 0: the byte order of a BGRA pixel) with a
// stride of N+1 per axis, red the slowest. Index N repeats index N−1 on every
// axis, so the corner one step up needs no clamp.
#pragma once

#include <cstddef>
#include <vector>

namespace qlx {

constexpr int kFastGridEntryFloats = 4;

constexpr std::size_t fastGridFloats(int size) {
    return static_cast<std::size_t>(size + 1) * (size + 1) * (size + 1) * kFastGridEntryFloats;
}

// `grid` is the [65][65][65][3] grid of a LUT of size `size` (2 to 65).
void buildFastGrid(const float* grid, int size, std::vector<float>& fastGrid);

}  // namespace qlx
