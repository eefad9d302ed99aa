#include "catalogue/filter_param_value.h"

#include <algorithm>
#include <cstring>

NLEFilterParamValue NLEFilterParamValue::ofInt(std::int32_t value) {
    NLEFilterParamValue cell;
    std::memcpy(cell.raw, &value, sizeof value);
    return cell;
}

NLEFilterParamValue NLEFilterParamValue::ofFloat(float value) {
    NLEFilterParamValue cell;
    std::memcpy(cell.raw, &value, sizeof value);
    return cell;
}

NLEFilterParamValue NLEFilterParamValue::ofText(const std::string& value) {
    NLEFilterParamValue cell;
    std::memcpy(cell.raw, value.data(), std::min(value.size(), kRawSize - 1));
    return cell;
}

std::int32_t NLEFilterParamValue::asInt() const {
    std::int32_t value;
    std::memcpy(&value, raw, sizeof value);
    return value;
}

float NLEFilterParamValue::asFloat() const {
    float value;
    std::memcpy(&value, raw, sizeof value);
    return value;
}

std::string NLEFilterParamValue::asText() const {
    const void* end = std::memchr(raw, 0, kRawSize);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - raw) : kRawSize;
    return std::string(reinterpret_cast<const char*>(raw), length);
}
