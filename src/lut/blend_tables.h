// The process-wide 8-bit multiply table of the LUT application: a LUT result
// is multiplied by the pixel's own alpha through it.
#pragma once

#include <cstdint>
#include <memory>

namespace qlx {

class BlendTables {
  public:
    // Built by the first caller; later callers, and those that arrive while it
    // is being built, get the same never-freed instance.
    static const BlendTables& instance();

    // [a][v] = a × v ÷ 255 rounded to nearest, row a at a × 256.
    const std::uint8_t* mulTable() const { return mul_.get(); }

  private:
    BlendTables();
    std::unique_ptr<std::uint8_t[]> mul_;
};

}  // namespace qlx
