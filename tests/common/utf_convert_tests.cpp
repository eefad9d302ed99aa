// UTF-8 <-> UTF-16 conversion: round trips over all of Unicode, and one U+FFFD
// per maximal ill-formed subpart.
#include <gtest/gtest.h>

#include "common/platform.h"

namespace {

using qlx::platform::utf16ToUtf8;
using qlx::platform::utf8ToUtf16;

// The textbook UTF-8 form of a scalar value: continuation bytes from the end, then the lead.
std::string encode(char32_t cp) {
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    const int length = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    std::string s(length, '\0');
    for (int i = length - 1; i > 0; --i, cp >>= 6) s[i] = static_cast<char>(0x80 | (cp & 0x3F));
    s[0] = static_cast<char>(((0xF00 >> length) & 0xFF) | cp);
    return s;
}

TEST(UtfConvert, EveryScalarValueRoundTripsThroughItsSurrogatePair) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp == 0xD800) cp = 0xE000;
        const std::u16string expected =
            cp < 0x10000 ? std::u16string(1, static_cast<char16_t>(cp))
                         : std::u16string{static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
                                          static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
        ASSERT_EQ(utf8ToUtf16(encode(cp)), expected) << std::hex << cp;
        ASSERT_EQ(utf16ToUtf8(expected), encode(cp)) << std::hex << cp;
    }
}

TEST(UtfConvert, IllFormedSequencesBecomeOneReplacementPerMaximalSubpart) {
    const std::pair<std::string, std::u16string> rows[] = {
        {"a\x80z", u"a\uFFFDz"},                            // stray continuation
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"ab\xE2\x82", u"ab\uFFFD"},                        // cut short at the end
        {"\xF0\x9F\x98"
         "A",
         u"\uFFFDA"},                   // cut short before ASCII
        {"\xF5\xFF", u"\uFFFD\uFFFD"},  // bytes that never lead
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& [utf8, utf16] : rows) EXPECT_EQ(utf8ToUtf16(utf8), utf16) << utf8;
    EXPECT_EQ(utf16ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

}  // namespace
