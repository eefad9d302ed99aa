// The texels of the OpenGL LUT texture: the CPU grid's values, so that the LUT
// program interpolates exactly what the CPU renderer interpolates.
#pragma once

#include <vector>

namespace qlx {
class CubeLut;
}

namespace tonekit {

// N³ RGB float texels of a LUT loaded in grid form (`loadCubeFile`), red index
// varying fastest, then green, then blue (the texture's x, y, z), on the
// grid's 0..255 scale with nothing clipped, whatever the file's format, entry
// order or domain. Empty when `lut` holds no size or
// was made for the packed form.
std::vector<float> lutTexels(const qlx::CubeLut& lut);

}  // namespace tonekit
