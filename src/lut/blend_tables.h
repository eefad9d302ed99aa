// The process-wide 8-bit multiply and mix tables shared by the LUT
// application and the CPU renderer's blend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qlx {

class BlendTables {
  public:
    static constexpr std::size_t kMixRowBytes = 265;  // 256 used, 9 zero
    static constexpr std::size_t kMixRows = 256 * 256;

    // Built by the first caller; later callers, and those that arrive while it
    // is being built, get the same never-freed instance.
    static const BlendTables& instance();

    // a × v ÷ 255 rounded to nearest.
    std::uint8_t mul(std::uint8_t a, std::uint8_t v) const { return mul_[a * 256 + v]; }
    // Row a of the multiply table: mulRow(a)[v] == mul(a, v).
    const std::uint8_t* mulRow(std::uint8_t a) const { return mul_.get() + a * 256; }
    const std::uint8_t* mulTable() const { return mul_.get(); }

    // Mix row for bytes p, q: entry k is ⌊(p × k + q × (255 − k)) ÷ 255⌋.
    const std::uint8_t* mixRow(std::uint8_t p, std::uint8_t q) const {
        return mix_.get() + (static_cast<std::size_t>(p) * 256 + q) * kMixRowBytes;
    }
    std::uint8_t mix(std::uint8_t p, std::uint8_t q, std::uint8_t k) const {
        return mixRow(p, q)[k];
    }

  private:
    BlendTables();
    std::unique_ptr<std::uint8_t[]> mul_;
    std::unique_ptr<std::uint8_t[]> mix_;
};

}  // namespace qlx
