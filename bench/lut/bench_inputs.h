// The frames and LUTs the LUT benchmarks run on, made in code so that every
// run (and the FFmpeg comparison) sees the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qlx::bench {

// A BGRA frame that looks like footage: sky-like gradients, a few flat and
// shaded shapes, skin-like tones and sensor noise. Alpha is 255 except in a
// feathered band along the bottom.
std::vector<std::uint8_t> naturalFrame(int width, int height);

// Opaque pixels of independent random colours: every pixel reads corners far
// from its neighbour's, so the LUT application waits on cache misses.
std::vector<std::uint8_t> randomFrame(int width, int height);

// naturalFrame (kind 0) or randomFrame (kind 1).
std::vector<std::uint8_t> benchFrame(int kind, int width, int height);

// A .CUBE text of size n: a warm film-like grade with a little cross-talk.
std::string gradeCubeText(int n);

}  // namespace qlx::bench
