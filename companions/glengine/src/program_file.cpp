#include "program_file.h"

#include <fstream>
#include <iterator>

namespace krgl {
namespace {

constexpr char kMagic[] = "QLXENC1\n";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;
constexpr std::size_t kHeaderLength = kMagicLength + 4;
constexpr std::uint32_t kSeedMix = 0x9E3779B9u;

// XORs each byte with the top byte of successive xorshift32 states.
void applyKeyStream(std::string& text, std::uint32_t seed) {
    std::uint32_t state = seed ^ kSeedMix;
    if (state == 0) state = kSeedMix;
    for (char& c : text) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(static_cast<unsigned char>(c) ^ (state >> 24));
    }
}

}  // namespace

ProgramReadResult programFromBytes(const std::string& bytes, std::string* function) {
    std::string text = bytes;
    if (bytes.compare(0, kMagicLength, kMagic) == 0) {
        if (bytes.size() < kHeaderLength) return ProgramReadResult::Damaged;
        std::uint32_t seed = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            seed |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kMagicLength + i]))
                    << (8 * i);
        }
        text = bytes.substr(kHeaderLength);
        applyKeyStream(text, seed);
    }
    if (text.empty()) return ProgramReadResult::Empty;
    // Shader text never holds a NUL; one means a binary file or a wrong key.
    if (text.find('\0') != std::string::npos) return ProgramReadResult::Damaged;
    *function = std::move(text);
    return ProgramReadResult::Read;
}

ProgramReadResult readProgramFile(const std::string& path, std::string* function) {
    if (path.empty()) return ProgramReadResult::CannotOpen;
    std::ifstream file(path, std::ios::binary);
    if (!file) return ProgramReadResult::CannotOpen;
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    if (file.bad()) return ProgramReadResult::CannotOpen;
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
    std::string body = function;
    applyKeyStream(body, seed);
    std::string out(kMagic, kMagicLength);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(seed >> shift));
    return out + body;
}

}  // namespace krgl
