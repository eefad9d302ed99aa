#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/filter_info.h"

namespace {

NLEFilterParamValue textCell(const std::string& text) {
    return NLEFilterParamValue::ofText(text);
}

struct SetValueCase {
    const char* why;
    std::uint32_t type;
    std::string stored;
    std::string expected;
};

class SetValue : public ::testing::TestWithParam<SetValueCase> {};

TEST_P(SetValue, RemovesTheFirstFileSchemeFromTextsOnly) {
    const SetValueCase& c = GetParam();
    NLEFilterParams param;
    param.setType(c.type);
    param.setValue(textCell(c.stored));
    NLEFilterParamValue current;
    param.getValue(current);
    EXPECT_EQ(current.type, c.type);
    EXPECT_EQ(current.asText(), c.expected);
    // Nothing stale follows the text.
    EXPECT_TRUE(std::all_of(current.raw + c.expected.size(), current.raw + sizeof current.raw,
                            [](unsigned char b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Cells, SetValue,
    ::testing::Values(SetValueCase{"UrlKeepsTwoSlashes", 6, "file:///C:/luts/a.cube",
                                   "//C:/luts/a.cube"},
                      SetValueCase{"InTheMiddle", 6, "a/file:/b.cube", "a/b.cube"},
                      SetValueCase{"OnlyTheFirst", 6, "file:/file:/x", "file:/x"},
                      SetValueCase{"WholeText", 6, "file:/", ""},
                      SetValueCase{"CaseSensitive", 6, "FILE:/x", "FILE:/x"},
                      SetValueCase{"NoScheme", 6, "/luts/a.cube", "/luts/a.cube"},
                      SetValueCase{"IntegerUnchanged", 5, "file:/x", "file:/x"},
                      SetValueCase{"FloatUnchanged", 3, "file:/y", "file:/y"}),
    [](const auto& info) { return std::string(info.param.why); });

TEST(SetValueCell, FullCellWithoutTerminatorLosesTheSchemeAndEndsInZeros) {
    NLEFilterParamValue cell;
    std::memset(cell.raw, 'x', sizeof cell.raw);
    std::memcpy(cell.raw + 100, "file:/", 6);
    NLEFilterParams param;
    param.setType(kNLEParamText);
    param.setValue(cell);
    NLEFilterParamValue current;
    param.getValue(current);
    EXPECT_EQ(current.asText(), std::string(506, 'x'));
}

TEST(SetValueCell, CopiesOtherTypesByteForByte) {
    NLEFilterParamValue cell;
    for (std::size_t i = 0; i < sizeof cell.raw; ++i)
        cell.raw[i] = static_cast<unsigned char>(i * 7);
    NLEFilterParams param;
    param.setType(kNLEParamInt);
    param.setValue(cell);
    NLEFilterParamValue current;
    param.getValue(current);
    EXPECT_EQ(std::memcmp(current.raw, cell.raw, sizeof cell.raw), 0);
}

TEST(FilterInfoParams, AddParamReplacesAndGetParamFindsByIndex) {
    NLEFilterInfo info;
    auto first = std::make_shared<NLEFilterParams>();
    auto second = std::make_shared<NLEFilterParams>();
    info.addParam(3, first);
    info.addParam(-1, second);
    EXPECT_EQ(info.getParam(3), first);
    EXPECT_EQ(info.getParam(-1), second);
    EXPECT_EQ(info.getParam(0), nullptr);
    info.addParam(3, second);
    EXPECT_EQ(info.getParam(3), second);
}

struct CopyCase {
    std::string text;
    std::size_t capacity;
    std::string expected;
};

class TextGetters : public ::testing::TestWithParam<CopyCase> {};

TEST_P(TextGetters, CopyWithTerminatorAndCutToTheBuffer) {
    const CopyCase& c = GetParam();
    NLEFilterInfo info;
    info.setGuid(c.text);
    info.setName(c.text);
    info.setLutPath(c.text);
    using Getter = void (NLEFilterInfo::*)(char*, std::size_t) const;
    for (Getter get :
         {&NLEFilterInfo::getGuid, &NLEFilterInfo::getName, &NLEFilterInfo::getLutPath}) {
        std::vector<char> buffer(c.capacity + 1, '#');
        (info.*get)(buffer.data(), c.capacity);
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        EXPECT_EQ(buffer[c.capacity], '#');  // nothing written past the capacity
    }
}

INSTANTIATE_TEST_SUITE_P(Buffers, TextGetters,
                         ::testing::Values(CopyCase{"abc", 512, "abc"}, CopyCase{"abc", 4, "abc"},
                                           CopyCase{"abcd", 4, "abc"}, CopyCase{"", 1, ""},
                                           CopyCase{std::string(600, 'g'), 512,
                                                    std::string(511, 'g')}));

TEST(TextGetters, ZeroCapacityWritesNothing) {
    NLEFilterInfo info;
    info.setGuid("g");
    char buffer = '#';
    info.getGuid(&buffer, 0);
    EXPECT_EQ(buffer, '#');
}

}  // namespace
