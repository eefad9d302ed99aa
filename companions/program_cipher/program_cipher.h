// Enciphered program files: "QLXENC1\n", a 4-byte little-endian seed, then the
// text with each byte XORed with the top byte of successive xorshift32 states
// (x ^= x << 13; x ^= x >> 17; x ^= x << 5), the first state being
// seed ^ 0x9E3779B9 (0x9E3779B9 itself when that is zero). It hides program
// text from casual reading; it is not security.
#pragma once

#include <cstdint>
#include <string>

namespace qlxcipher {

bool isEnciphered(const std::string& data);
std::string encipher(const std::string& text, std::uint32_t seed);
// False, leaving `text` alone, when `data` is not enciphered or its header is cut short.
bool decipher(const std::string& data, std::string* text);

}  // namespace qlxcipher
