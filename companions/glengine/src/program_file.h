// Reading an effect's program file: plain shader-function text, or the same
// text enciphered in the format the OpenCL platform library also reads (see
// the README). The file's first bytes decide, not the `encrypted` value.
#pragma once

#include <cstdint>
#include <string>

namespace krgl {

enum class ProgramReadResult { Read, CannotOpen, Empty, Damaged };

ProgramReadResult readProgramFile(const std::string& path, std::string* function);
// The same rule over bytes already at hand.
ProgramReadResult programFromBytes(const std::string& bytes, std::string* function);

const char* describe(ProgramReadResult result);

// The cipher itself; the same call enciphers with `seed`.
std::string encipherProgram(const std::string& function, std::uint32_t seed);

}  // namespace krgl
