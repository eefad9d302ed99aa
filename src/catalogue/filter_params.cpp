#include "catalogue/filter_params.h"

#include <cstring>

namespace {

constexpr char kFileScheme[] = "file:/";

// Removes the first "file:/" from the cell's text; the rest of the cell is
// zeroed so that no stale bytes follow the shortened text.
void dropFileScheme(NLEFilterParamValue& cell) {
    std::string text = cell.asText();
    const std::size_t at = text.find(kFileScheme);
    if (at == std::string::npos) return;
    text.erase(at, sizeof kFileScheme - 1);
    std::memset(cell.raw, 0, sizeof cell.raw);
    std::memcpy(cell.raw, text.data(), text.size());
}

}  // namespace

void NLEFilterParams::setRange(const NLEFilterParamValue& minValue,
                               const NLEFilterParamValue& maxValue) {
    minValue_ = minValue;
    maxValue_ = maxValue;
}

void NLEFilterParams::setValue(const NLEFilterParamValue& value) {
    value_ = value;
    if (type_ == kNLEParamText) dropFileScheme(value_);
}

void NLEFilterParams::getValue(NLEFilterParamValue& out) const {
    out = value_;
    out.type = type_;
}
