// Decimal integers written as texts in ".conf" descriptions ("DYNAMIC",
// "ENCRYPT").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Skips leading white space (space, \t, \n, \v, \f, \r) and one '+' or '-',
// then reads the run of decimal digits that follows; anything after the digits
// is ignored. No digits, or a value outside the signed 32-bit range, gives
// nothing.
std::optional<std::int32_t> parseDecimalInt32(const std::string& text);
