// The description an OpenGL LUT effect is built from: the shared OpenGL program
// file and the three integer settings the shader receives, made in code rather
// than read from a file.
#pragma once

#include <memory>
#include <string>

class NLEFilterInfo;

namespace tonekit {

// `openGLProgramPath` as given, `encrypted` 1, and the integer parameters
// "alpha" 100, "lutSize" 32 and "skinProtectStrength" 0 at indices 0, 1, 2.
std::shared_ptr<NLEFilterInfo> makeOpenGLDescription(const std::string& openGLProgramPath);

}  // namespace tonekit
