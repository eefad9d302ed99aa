#include "catalogue/conf_fields.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "catalogue/decimal_text.h"
#include "catalogue/description_error.h"

namespace conf {
namespace {

[[noreturn]] void refuse(const char* key, const char* what) {
    throw DescriptionError(std::string("\"") + key + "\" " + what);
}

}  // namespace

std::optional<std::string> optionalText(const nlohmann::json& object, const char* key) {
    if (!object.is_object()) return std::nullopt;
    const auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    if (!found->is_string()) refuse(key, "is not a string");
    return found->get<std::string>();
}

std::uint32_t optionalDecimalSwitch(const nlohmann::json& object, const char* key) {
    const std::optional<std::string> text = optionalText(object, key);
    if (!text) return 0;
    const std::optional<std::int32_t> value = parseDecimalInt32(*text);
    if (!value) refuse(key, "holds no decimal integer in the 32-bit range");
    return static_cast<std::uint32_t>(*value);
}

float numberAsFloat(const nlohmann::json& value, const char* key) {
    if (value.is_boolean()) return value.get<bool>() ? 1.0f : 0.0f;
    if (value.is_number_unsigned()) return static_cast<float>(value.get<std::uint64_t>());
    if (value.is_number_integer()) return static_cast<float>(value.get<std::int64_t>());
    if (value.is_number_float()) return static_cast<float>(value.get<double>());
    refuse(key, "is not a number");
}

std::int32_t numberAsInt32(const nlohmann::json& value, const char* key) {
    if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
    if (value.is_number_unsigned()) {
        const std::uint64_t n = value.get<std::uint64_t>();
        if (n > static_cast<std::uint64_t>(INT32_MAX)) refuse(key, "does not fit 32 bits");
        return static_cast<std::int32_t>(n);
    }
    if (value.is_number_integer()) {
        const std::int64_t n = value.get<std::int64_t>();
        if (n < INT32_MIN || n > INT32_MAX) refuse(key, "does not fit 32 bits");
        return static_cast<std::int32_t>(n);
    }
    if (!value.is_number_float()) refuse(key, "is not a number");
    const double number = std::trunc(value.get<double>());
    if (!(number >= INT32_MIN && number <= INT32_MAX)) refuse(key, "does not fit 32 bits");
    return static_cast<std::int32_t>(number);
}

}  // namespace conf
