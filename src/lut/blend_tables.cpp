#include "lut/blend_tables.h"

#include <cstring>

namespace qlx {

const BlendTables& BlendTables::instance() {
    // A function-local static is built exactly once, and threads that arrive
    // meanwhile wait; it is deliberately never destroyed.
    static const BlendTables* const tables = new BlendTables();
    return *tables;
}

BlendTables::BlendTables()
    : mul_(new std::uint8_t[256 * 256]), mix_(new std::uint8_t[kMixRows * kMixRowBytes]) {
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned v = 0; v < 256; ++v) {
            mul_[a * 256 + v] = static_cast<std::uint8_t>((a * v + 127) / 255);
        }
    }
    for (unsigned p = 0; p < 256; ++p) {
        for (unsigned q = 0; q < 256; ++q) {
            std::uint8_t* row = mix_.get() + (p * 256 + q) * kMixRowBytes;
            for (unsigned k = 0; k < 256; ++k) {
                row[k] = static_cast<std::uint8_t>((p * k + q * (255 - k)) / 255);
            }
            std::memset(row + 256, 0, kMixRowBytes - 256);
        }
    }
}

}  // namespace qlx
