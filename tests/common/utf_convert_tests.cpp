// UTF-8 <-> UTF-16 conversion: round trips over all of Unicode, and the
// documented answer for every kind of ill-formed input.
#include <gtest/gtest.h>

#include "common/platform.h"

namespace {

using qlx::platform::utf16ToUtf8;
using qlx::platform::utf8ToUtf16;

std::string encode(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

TEST(UtfConvert, EveryScalarValueRoundTrips) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string utf8 = encode(cp);
        const std::u16string utf16 = utf8ToUtf16(utf8);
        ASSERT_EQ(utf16.size(), cp < 0x10000 ? 1u : 2u) << std::hex << cp;
        if (cp >= 0x10000) {
            ASSERT_EQ(utf16[0], 0xD800 + ((cp - 0x10000) >> 10)) << std::hex << cp;
            ASSERT_EQ(utf16[1], 0xDC00 + ((cp - 0x10000) & 0x3FF)) << std::hex << cp;
        }
        ASSERT_EQ(utf16ToUtf8(utf16), utf8) << std::hex << cp;
    }
}

struct IllFormed {
    const char* name;
    std::string utf8;
    std::u16string expected;
};

void PrintTo(const IllFormed& c, std::ostream* os) {
    *os << c.name;
}

class Utf8IllFormed : public ::testing::TestWithParam<IllFormed> {};

TEST_P(Utf8IllFormed, EachMaximalSubpartBecomesOneReplacement) {
    EXPECT_EQ(utf8ToUtf16(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8IllFormed,
    ::testing::Values(IllFormed{"StrayContinuation", "a\x80z", u"a\uFFFDz"},
                      IllFormed{"OverlongSlash", "\xC0\xAF", u"\uFFFD\uFFFD"},
                      IllFormed{"OverlongThreeByte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
                      IllFormed{"EncodedSurrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                      IllFormed{"AboveUnicode", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
                      IllFormed{"TruncatedAtEnd", "ab\xE2\x82", u"ab\uFFFD"},
                      IllFormed{"TruncatedBeforeAscii",
                                "\xF0\x9F\x98"
                                "A",
                                u"\uFFFDA"},
                      IllFormed{"InvalidLeadBytes", "\xF5\xFF", u"\uFFFD\uFFFD"},
                      IllFormed{"EmbeddedNul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UtfConvert, UnpairedSurrogatesBecomeReplacements) {
    EXPECT_EQ(utf16ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

}  // namespace
