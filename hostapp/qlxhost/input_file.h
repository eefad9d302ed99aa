// Files qlxhost reads whole (pictures, LUT files), through the plugin's own
// opening: a FIFO, a device, a folder or a file over the limit is refused at
// once with one line saying which, never waited on nor read.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform.h"

namespace qlxhost::cli {

// The line for a refused file: "PATH: no such picture", "PATH: not a regular
// file (a FIFO, a device or a socket)", ... `noun` names what it was to be.
std::string refusalLine(const std::string& path, qlx::platform::FileRefusal why,
                        std::uint64_t maxBytes, const char* noun);

// Throws CliError with refusalLine() unless `path` is a regular file of at
// most `maxBytes` that can be opened.
void requireReadableFile(const std::string& path, std::uint64_t maxBytes, const char* noun);

// The whole file, or CliError with refusalLine().
std::string readInputFile(const std::string& path, std::uint64_t maxBytes, const char* noun);

}  // namespace qlxhost::cli
