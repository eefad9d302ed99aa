// Entry lines read exactly as sscanf "%f %f %f" reads them (the oracle), values
// the line does not supply left as they were.
#include "lut/entry_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace qlx {
namespace {

void expectSameAsSscanf(const std::string& line) {
    float want[3] = {777.25f, 777.25f, 777.25f};
    float got[3] = {777.25f, 777.25f, 777.25f};
    const int wantCount = std::sscanf(line.c_str(), "%f %f %f", &want[0], &want[1], &want[2]);
    EXPECT_EQ(scanEntry(line.c_str(), got), wantCount < 0 ? 0 : wantCount) << '"' << line << '"';
    EXPECT_EQ(std::memcmp(want, got, sizeof want), 0) << '"' << line << '"';
}

TEST(EntryLine, ReadsLikeSscanf) {
    const std::string lines =
        "0.5 0.25 1|1 2 3 4 5|1 2||   |\t1\v2\f3\r|-0 +0 .5|5. .5 -.5e1|1e999 0 0|"
        "-1e999 1e-999 1e-45|nan inf -inf|NAN(123) Infinity -INF|0x1p-2 0X.8 3|1.5.5 2 3|"
        "0.5,0.5,0.5|1e 2 3|1e+ 2 3|abc 1 2|1 abc 3|+ 1 2|- 1 2|. 1 2|0.1234567890123456789 2 3|"
        "123456789012345678901234567890 1 1|3.4028235e38 3.4028236e38 1e38|"
        "16777216 16777217 16777218|0.000000001 1e-10 9999999999|1-2 3|1\n2 3|"
        "00000000000000000000001.5 2 3|12345678.9 1.23456789 0.0000123456789";
    for (std::size_t start = 0, end; start <= lines.size(); start = end + 1) {
        end = std::min(lines.find('|', start), lines.size());
        expectSameAsSscanf(lines.substr(start, end - start));
    }
}

// Strings of number-like characters reach the corners of the grammar; decimals
// as real files write them exercise the exact fast path.
TEST(EntryLine, GeneratedLinesReadLikeSscanf) {
    const char alphabet[] = "0123456789000...--++eEEx naif\t";
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int i = 0; i < 40000; ++i) {
        std::string line;
        for (int j = static_cast<int>(next() >> 27); j > 0; --j) {
            line += alphabet[(next() >> 16) % (sizeof alphabet - 1)];
        }
        expectSameAsSscanf(line);
    }
    char line[96];
    for (int i = 0; i < 200000; ++i) {
        const double value = static_cast<double>(next()) / 4294967296.0 * 1.4 - 0.2;
        std::snprintf(line, sizeof line, "%.*f %.*g %.0f", 1 + i % 9, value, 1 + i % 12,
                      value * 4095.0, value * 65535.0);
        expectSameAsSscanf(line);
    }
}

}  // namespace
}  // namespace qlx
