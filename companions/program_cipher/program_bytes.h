// Reading a program file's bytes, for the OpenCL platform library and the
// OpenGL effect engine alike. A program is a few kilobytes of text, so a path
// naming a FIFO, a device, a folder or a file over kMaxProgramFileBytes is
// refused before a byte is read, and opening never waits for a writer.
#pragma once

#include <cstdint>
#include <string>

namespace qlxcipher {

inline constexpr std::uint64_t kMaxProgramFileBytes = std::uint64_t(16) << 20;

// False when `utf8Path` names no regular file of at most kMaxProgramFileBytes
// or a read fails.
bool readProgramBytes(const std::string& utf8Path, std::string* bytes);

}  // namespace qlxcipher
