// One value cell of a filter parameter: 512 raw bytes whose meaning depends on
// the parameter's type, plus a spare text and a type stamp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Parameter type codes shared by the cell and NLEFilterParams.
enum NLEFilterParamType : std::uint32_t {
    kNLEParamFloat = 3,  // IEEE single in the first four raw bytes
    kNLEParamInt = 5,    // signed 32-bit integer in the first four raw bytes
    kNLEParamText = 6,   // NUL-terminated UTF-8 text
};

struct NLEFilterParamValue {
    static constexpr std::size_t kRawSize = 512;

    // The value; bytes beyond it are zero.
    unsigned char raw[kRawSize] = {};
    // Left empty by the description readers.
    std::string text;
    // 0 in stored cells; NLEFilterParams::getValue stamps the parameter's type.
    std::uint32_t type = 0;

    static NLEFilterParamValue ofInt(std::int32_t value);
    static NLEFilterParamValue ofFloat(float value);
    // Texts longer than the cell keep their first 511 bytes.
    static NLEFilterParamValue ofText(const std::string& value);

    std::int32_t asInt() const;
    float asFloat() const;
    // The raw bytes up to the first NUL (at most the whole cell).
    std::string asText() const;
};
