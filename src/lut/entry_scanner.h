// The numbers of one LUT entry line.
#pragma once

namespace qlx {

// Reads up to three numbers from a NUL-terminated line exactly as
// std::sscanf(line, "%f %f %f", ...) does, and writes only the values it
// read, so values a line does not supply keep what the caller had there.
// Returns how many numbers were read.
int scanEntry(const char* line, float values[3]);

}  // namespace qlx
