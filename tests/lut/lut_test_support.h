// Helpers shared by the LUT engine tests: LUTs made from text in memory.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "lut/cube_lut.h"

namespace qlx::test {

struct LoadResult {
    std::unique_ptr<CubeLut> lut;
    bool ok = false;
};

// Reads `text` as loadCubeFile (or, with forTexture, loadCubeFileForTexture)
// reads a file holding it, into a new object or an existing one.
LoadResult loadText(std::string_view text, LutFileFormat format, bool forTexture = false,
                    bool packed = false, bool normalized = false);
bool loadTextInto(CubeLut& lut, std::string_view text, LutFileFormat format,
                  bool forTexture = false);

using EntryFunction = std::function<std::array<std::string, 3>(int r, int g, int b)>;
// A .CUBE text of size n whose entry (r, g, b) holds the three given words.
std::string cubeText(int n, const EntryFunction& entry, const std::string& header = "");
// Float entries written so that they read back to the same float.
std::array<std::string, 3> exactWords(float r, float g, float b);
// A word that the .CUBE reader turns into exactly `target` on the grid.
std::string cubeWordFor(float target);

// Grid entry [r][g][b] of a loaded LUT whose `packed` option is off.
std::array<float, 3> gridAt(const CubeLut& lut, int r, int g, int b);
// Replaces every "\n" of `text` with `lineEnd`.
std::string withLineEnds(std::string_view text, std::string_view lineEnd);

}  // namespace qlx::test
