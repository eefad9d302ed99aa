#include "program_cipher.h"

namespace qlxcipher {
namespace {

constexpr char kMagic[] = "QLXENC1\n";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;
constexpr std::size_t kHeaderLength = kMagicLength + 4;
constexpr std::uint32_t kSeedMix = 0x9E3779B9u;

// The same call enciphers and deciphers.
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

bool isEnciphered(const std::string& data) {
    return data.size() >= kMagicLength && data.compare(0, kMagicLength, kMagic) == 0;
}

std::string encipher(const std::string& text, std::uint32_t seed) {
    std::string body = text;
    applyKeyStream(body, seed);
    std::string out(kMagic, kMagicLength);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(seed >> shift));
    return out + body;
}

bool decipher(const std::string& data, std::string* text) {
    if (!isEnciphered(data) || data.size() < kHeaderLength || text == nullptr) return false;
    std::uint32_t seed = 0;
    for (std::size_t i = 0; i < 4; ++i)
        seed |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[kMagicLength + i]))
                << (8 * i);
    std::string body = data.substr(kHeaderLength);
    applyKeyStream(body, seed);
    *text = std::move(body);
    return true;
}

}  // namespace qlxcipher
