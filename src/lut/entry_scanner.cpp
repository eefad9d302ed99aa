#include "lut/entry_scanner.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lut/lut_words.h"

namespace qlx {

namespace {

constexpr std::uint64_t kExactFloatMantissa = std::uint64_t{1} << 24;
constexpr int kMaxExactPower = 10;  // 10^10 = 5^10 * 2^10, 5^10 < 2^24
constexpr float kPowersOfTen[kMaxExactPower + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                    1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Decimal {
    bool negative = false;
    std::uint64_t mantissa = 0;  // significant digits
    long long exponent = 0;      // power of ten applied to the mantissa
    bool mantissaOverflow = false;
};

void addDigit(Decimal& d, char c, bool afterPoint) {
    if (d.mantissaOverflow) {
        if (!afterPoint) ++d.exponent;
        return;
    }
    if (d.mantissa > (UINT64_MAX - 9) / 10) {
        d.mantissaOverflow = true;
        if (!afterPoint) ++d.exponent;
        return;
    }
    d.mantissa = d.mantissa * 10 + static_cast<unsigned>(c - '0');
    if (afterPoint) --d.exponent;
}

// Recognises [+-]?(digits[.digits] | .digits)([eE][+-]?digits) followed by
// white space or the end: the numbers sscanf collects exactly as they stand.
// Anything else is left to sscanf itself.
bool parsePlainNumber(const char* p, const char** end, Decimal& d) {
    if (*p == '+' || *p == '-') d.negative = (*p++ == '-');
    int digits = 0;
    for (; isDigit(*p); ++p, ++digits) addDigit(d, *p, false);
    if (*p == '.') {
        for (++p; isDigit(*p); ++p, ++digits) addDigit(d, *p, true);
    }
    if (digits == 0) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negativeExponent = false;
        if (*p == '+' || *p == '-') negativeExponent = (*p++ == '-');
        if (!isDigit(*p)) return false;
        long long exponent = 0;
        for (; isDigit(*p); ++p) {
            if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
        }
        d.exponent += negativeExponent ? -exponent : exponent;
    }
    *end = p;
    return *p == '\0' || isClassicSpace(*p);
}

// Single precision division or multiplication of two exact operands is
// correctly rounded, so small decimals convert exactly without strtof.
bool convertExactly(Decimal d, float* value) {
    if (d.mantissaOverflow) return false;
    if (d.mantissa == 0) {
        *value = d.negative ? -0.0f : 0.0f;
        return true;
    }
    while (d.mantissa % 10 == 0) {
        d.mantissa /= 10;
        ++d.exponent;
    }
    if (d.mantissa > kExactFloatMantissa || d.exponent < -kMaxExactPower ||
        d.exponent > kMaxExactPower) {
        return false;
    }
    const float m = static_cast<float>(d.mantissa);
    const int power = static_cast<int>(d.exponent);
    const float magnitude = power >= 0 ? m * kPowersOfTen[power] : m / kPowersOfTen[-power];
    *value = d.negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

int scanEntry(const char* line, float values[3]) {
    float parsed[3];
    int count = 0;
    const char* p = line;
    for (; count < 3; ++count) {
        while (isClassicSpace(*p)) ++p;
        if (*p == '\0') break;
        const char* start = p;
        Decimal decimal;
        if (!parsePlainNumber(start, &p, decimal)) {
            const int read = std::sscanf(line, "%f %f %f", &values[0], &values[1], &values[2]);
            return read < 0 ? 0 : read;
        }
        if (!convertExactly(decimal, &parsed[count])) parsed[count] = std::strtof(start, nullptr);
    }
    for (int i = 0; i < count; ++i) values[i] = parsed[i];
    return count;
}

}  // namespace qlx
