// Inputs shared by the OpenGL path's benchmark and its agreement measurement.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/filter_info.h"
#include "gl_engine_api.h"

namespace qlxglbench {

// The description the effect object makes for its OpenGL effect.
std::shared_ptr<NLEFilterInfo> openGLDescription();

// Writes a .CUBE file of size n (a smooth grade with noise, inside 0..1) into
// the system's temporary folder and returns its path.
std::string writeSyntheticCube(int n, std::uint32_t seed);

// Host-memory BGRA frame record.
GLFrameDesc hostFrame(std::vector<std::uint8_t>& pixels, int width, int height, int pitch);
GLFrameDesc emptyFrame();

// Every 24-bit colour once, alpha 255, as a 4096 x 4096 BGRA image.
std::vector<std::uint8_t> everyColour();

}  // namespace qlxglbench
