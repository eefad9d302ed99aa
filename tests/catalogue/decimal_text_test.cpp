#include "catalogue/decimal_text.h"

#include <gtest/gtest.h>

namespace {

struct DecimalCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

std::ostream& operator<<(std::ostream& out, const DecimalCase& c) {
    return out << '"' << c.text << '"';
}

class DecimalText : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalText, ReadsLeadingDecimalIntegers) {
    EXPECT_EQ(parseDecimalInt32(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalText,
    ::testing::Values(
        DecimalCase{"0", 0}, DecimalCase{"12", 12}, DecimalCase{"12abc", 12},
        DecimalCase{" -1", -1}, DecimalCase{"+7", 7}, DecimalCase{"\t\n\v\f\r 42", 42},
        DecimalCase{"0000000000000012", 12}, DecimalCase{"2147483647", 2147483647},
        DecimalCase{"-2147483648", -2147483647 - 1}, DecimalCase{"0x10", 0}, DecimalCase{"1e3", 1},
        DecimalCase{"3 4", 3}, DecimalCase{"2147483648", std::nullopt},
        DecimalCase{"-2147483649", std::nullopt}, DecimalCase{"99999999999999999999", std::nullopt},
        DecimalCase{"", std::nullopt}, DecimalCase{" ", std::nullopt},
        DecimalCase{"abc", std::nullopt}, DecimalCase{"- 1", std::nullopt},
        DecimalCase{"+-1", std::nullopt}, DecimalCase{"--1", std::nullopt},
        DecimalCase{"\xc2\xa0"
                    "5",
                    std::nullopt}));

}  // namespace
