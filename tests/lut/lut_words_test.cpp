// The word rules both LUT grammars share.
#include "lut/lut_words.h"

#include <gtest/gtest.h>

#include <string>

namespace qlx {
namespace {

struct WordCase {
    std::string word;
    bool numeric;
};

class NumericWord : public ::testing::TestWithParam<WordCase> {};

TEST_P(NumericWord, OpensDataExactlyForTheNumericFirstBytes) {
    EXPECT_EQ(isNumericWord(GetParam().word), GetParam().numeric) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, NumericWord,
    ::testing::Values(WordCase{"0", true}, WordCase{"9.5", true}, WordCase{",", true},
                      WordCase{"-0.5", true}, WordCase{".5", true}, WordCase{"/", true},
                      WordCase{"+", false}, WordCase{"+1", true}, WordCase{"+x", true},
                      WordCase{"", false}, WordCase{":", false}, WordCase{"*", false},
                      WordCase{"nan", false}, WordCase{"inf", false}, WordCase{"-nan", true},
                      WordCase{"LUT_3D_SIZE", false},
                      WordCase{"\xEF\xBB\xBF"
                               "0",
                               false},
                      WordCase{"\x80", false}, WordCase{std::string("+\0", 2), true}));

struct FirstWordCase {
    std::string line;
    std::string word;
    std::string rest;
};

class FirstWord : public ::testing::TestWithParam<FirstWordCase> {};

TEST_P(FirstWord, IsDelimitedByClassicWhiteSpace) {
    EXPECT_EQ(firstWord(GetParam().line), GetParam().word);
    EXPECT_EQ(afterFirstWord(GetParam().line), GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(Lines, FirstWord,
                         ::testing::Values(FirstWordCase{"LUT_3D_SIZE 33", "LUT_3D_SIZE", " 33"},
                                           FirstWordCase{"  \t\vTITLE\f\"x\"", "TITLE", "\f\"x\""},
                                           FirstWordCase{"   ", "", ""}, FirstWordCase{"", "", ""},
                                           FirstWordCase{"0.5\r", "0.5", "\r"},
                                           FirstWordCase{std::string("a\0b c", 5),
                                                         std::string("a\0b", 3), " c"},
                                           FirstWordCase{"\xC2\xA0word", "\xC2\xA0word", ""}));

struct ShaperCase {
    std::string line;
    std::size_t fields;
};

class ShaperFields : public ::testing::TestWithParam<ShaperCase> {};

TEST_P(ShaperFields, CountEverySingleSpace) {
    EXPECT_EQ(countShaperFields(GetParam().line), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(Lines, ShaperFields,
                         ::testing::Values(ShaperCase{"0 512 1023", 3},
                                           ShaperCase{"0 512 1023 ", 4},
                                           ShaperCase{"0\t512\t1023", 1},
                                           ShaperCase{"0  512 1023", 4}, ShaperCase{"", 1},
                                           ShaperCase{"      2     4     4", 17},
                                           ShaperCase{"0 1023\r", 2}));

}  // namespace
}  // namespace qlx
