#include "lut/blend_tables.h"

namespace qlx {

const BlendTables& BlendTables::instance() {
    // A function-local static is built exactly once, and threads that arrive
    // meanwhile wait; it is deliberately never destroyed.
    static const BlendTables* const tables = new BlendTables();
    return *tables;
}

BlendTables::BlendTables() : mul_(new std::uint8_t[256 * 256]) {
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned v = 0; v < 256; ++v) {
            mul_[a * 256 + v] = static_cast<std::uint8_t>((a * v + 127) / 255);
        }
    }
}

}  // namespace qlx
