// The plugin's own reading of a LUT file, for the commands that show what the
// plugin makes of it (probe, hald).
#pragma once

#include <memory>
#include <string>

#include "lut/cube_lut.h"

namespace qlxhost::cli {

// Loads `path` with the plugin's loader into grid form. Throws CliError with
// one line (the status and `advice`) when the file cannot be read or the
// plugin refuses it.
std::unique_ptr<qlx::CubeLut> loadPluginLut(const std::string& path, const char* advice);

}  // namespace qlxhost::cli
