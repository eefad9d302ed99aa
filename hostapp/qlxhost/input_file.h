// Files qlxhost reads whole (pictures, LUT files), through the plugin's own
// opening: a FIFO, a device, a folder or a file over the limit is refused at
// once with one line saying which, never waited on nor read.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform.h"

namespace qlxhost::cli {

// Why a file was refused: "no such picture", "not a regular file (a FIFO, a
// device or a socket)", ... `noun` names what it was to be.
std::string refusalReason(qlx::platform::FileRefusal why, std::uint64_t maxBytes, const char* noun);

// Throws CliError "PATH: reason" unless `path` is a regular file of at
// most `maxBytes` that can be opened.
void requireReadableFile(const std::string& path, std::uint64_t maxBytes, const char* noun);

// The whole file, or CliError "PATH: reason".
std::string readInputFile(const std::string& path, std::uint64_t maxBytes, const char* noun);

}  // namespace qlxhost::cli
