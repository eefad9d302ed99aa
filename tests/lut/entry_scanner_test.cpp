// Entry lines read exactly as sscanf "%f %f %f" reads them, values the line
// does not supply left as they were.
#include "lut/entry_scanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace qlx {
namespace {

constexpr float kSentinel = 777.25f;

void expectSameAsSscanf(const std::string& line) {
    float want[3] = {kSentinel, kSentinel, kSentinel};
    float got[3] = {kSentinel, kSentinel, kSentinel};
    int wantCount = std::sscanf(line.c_str(), "%f %f %f", &want[0], &want[1], &want[2]);
    if (wantCount < 0) wantCount = 0;
    const int gotCount = scanEntry(line.c_str(), got);
    EXPECT_EQ(gotCount, wantCount) << '"' << line << '"';
    EXPECT_EQ(std::memcmp(want, got, sizeof want), 0)
        << '"' << line << "\": " << got[0] << ' ' << got[1] << ' ' << got[2] << " instead of "
        << want[0] << ' ' << want[1] << ' ' << want[2];
}

class EntryLine : public ::testing::TestWithParam<std::string> {};

TEST_P(EntryLine, ReadsLikeSscanf) {
    expectSameAsSscanf(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EntryLine,
    ::testing::Values("0.5 0.25 1", "0 0 0", "1 2 3 4 5", "1 2", "1", "", "   ", "\t1\v2\f3\r",
                      "0.5\r", "-0 +0 .5", "5. .5 -.5e1", "1e999 0 0", "-1e999 1e-999 1e-45",
                      "nan inf -inf", "NAN(123) Infinity -INF", "0x1p-2 0X.8 3", "1.5.5 2 3",
                      "0.5,0.5,0.5", "1e 2 3", "1e+ 2 3", "1E5 2e-3 3E+2", "abc 1 2", "1 abc 3",
                      "1 2 abc", "+ 1 2", "- 1 2", ". 1 2", "0.1234567890123456789 2 3",
                      "123456789012345678901234567890 1 1",
                      "0.00000000000000000000000000000000000000000001 1 1",
                      "3.4028235e38 3.4028236e38 1e38", "16777216 16777217 16777218",
                      "0.000000001 1e-10 9999999999", "0.1 0.2 0.3", "0.333333 0.666667 0.999999",
                      "4095 2047 0", "1-2 3", "0.5-0.5 1", "1\n2 3",
                      "00000000000000000000001.5 2 3", "1.00000000000 2.50000000 3.0000000000000",
                      "12345678.9 1.23456789 0.0000123456789"));

// Strings of number-like characters, to reach the corners of the grammar.
TEST(EntryLineGenerated, ReadsLikeSscanf) {
    const char alphabet[] = "0123456789000...--++eEEx naif\t";
    std::uint32_t state = 12345;
    for (int i = 0; i < 40000; ++i) {
        std::string line;
        state = state * 1664525u + 1013904223u;
        const int length = static_cast<int>(state >> 27);
        for (int j = 0; j < length; ++j) {
            state = state * 1664525u + 1013904223u;
            line += alphabet[(state >> 16) % (sizeof alphabet - 1)];
        }
        expectSameAsSscanf(line);
    }
}

TEST(EntryLineGenerated, DecimalsOfTypicalFilesReadLikeSscanf) {
    char line[96];
    std::uint32_t state = 99;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1664525u + 1013904223u;
        const double value = static_cast<double>(state) / 4294967296.0 * 1.4 - 0.2;
        std::snprintf(line, sizeof line, "%.*f %.*g %.0f", 1 + i % 9, value, 1 + i % 12,
                      value * 4095.0, value * 65535.0);
        expectSameAsSscanf(line);
    }
}

}  // namespace
}  // namespace qlx
