#include "program_file.h"

#include "program_bytes.h"
#include "program_cipher.h"

namespace krgl {

ProgramReadResult programFromBytes(const std::string& bytes, std::string* function) {
    std::string text = bytes;
    if (qlxcipher::isEnciphered(bytes) && !qlxcipher::decipher(bytes, &text))
        return ProgramReadResult::Damaged;
    if (text.empty()) return ProgramReadResult::Empty;
    // Shader text never holds a NUL; one means a binary file or a wrong key.
    if (text.find('\0') != std::string::npos) return ProgramReadResult::Damaged;
    *function = std::move(text);
    return ProgramReadResult::Read;
}

ProgramReadResult readProgramFile(const std::string& path, std::string* function) {
    if (path.empty()) return ProgramReadResult::CannotOpen;
    std::string bytes;
    if (!qlxcipher::readProgramBytes(path, &bytes)) return ProgramReadResult::CannotOpen;
    return programFromBytes(bytes, function);
}

const char* describe(ProgramReadResult result) {
    switch (result) {
        case ProgramReadResult::Read:
            return "read";
        case ProgramReadResult::CannotOpen:
            return "cannot be opened";
        case ProgramReadResult::Empty:
            return "is empty";
        case ProgramReadResult::Damaged:
            return "is not shader text";
    }
    return "?";
}

std::string encipherProgram(const std::string& function, std::uint32_t seed) {
    return qlxcipher::encipher(function, seed);
}

}  // namespace krgl
