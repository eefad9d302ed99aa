// Typed access to the members of a ".conf" object. Every function raises
// DescriptionError when a member holds the wrong JSON type, so a description is
// either read whole or not at all.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

namespace conf {

// The member's text; nothing when `object` is not an object or lacks `key`.
std::optional<std::string> optionalText(const nlohmann::json& object, const char* key);

// A text member holding a decimal integer, as an unsigned field (so "-1" sets
// every bit); 0 when absent.
std::uint32_t optionalDecimalSwitch(const nlohmann::json& object, const char* key);

// A number (or true/false as 1/0) as a single-precision float. Numbers beyond
// the float range become infinities.
float numberAsFloat(const nlohmann::json& value, const char* key);

// A number (or true/false as 1/0) as a signed 32-bit integer; a fraction is
// truncated toward zero. Values outside the 32-bit range are refused.
std::int32_t numberAsInt32(const nlohmann::json& value, const char* key);

}  // namespace conf
