#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"

namespace {

// What one accepted parameter must hold; limits as raw 32-bit patterns.
struct ExpectedParam {
    std::string name, alias;
    std::uint32_t type;
    std::uint32_t min, max, defaultValue;
};

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
std::uint32_t bitsOf(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

std::uint32_t firstWord(const NLEFilterParamValue& cell) {
    std::uint32_t word;
    std::memcpy(&word, cell.raw, sizeof word);
    return word;
}

struct ParamsCase {
    const char* why;
    const char* params;
    std::vector<ExpectedParam> expected;
};

class ParseParams : public ::testing::TestWithParam<ParamsCase> {};

TEST_P(ParseParams, StoresAcceptedParametersUnderConsecutiveIndices) {
    const ParamsCase& c = GetParam();
    NLEFilterInfo info;
    parseParams(nlohmann::json::parse(c.params), info);
    ASSERT_EQ(info.paramCount(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
        SCOPED_TRACE("Param[" + std::to_string(i) + "]");
        const std::shared_ptr<NLEFilterParams> param = info.getParam(static_cast<std::int32_t>(i));
        ASSERT_NE(param, nullptr);
        const ExpectedParam& e = c.expected[i];
        EXPECT_EQ(param->name(), e.name);
        EXPECT_EQ(param->alias(), e.alias);
        EXPECT_EQ(param->type(), e.type);
        EXPECT_EQ(firstWord(param->minValue()), e.min);
        EXPECT_EQ(firstWord(param->maxValue()), e.max);
        EXPECT_EQ(firstWord(param->defaultValue()), e.defaultValue);
        NLEFilterParamValue current;
        param->getValue(current);
        EXPECT_EQ(current.type, e.type);
        EXPECT_EQ(std::memcmp(current.raw, param->defaultValue().raw, sizeof current.raw), 0);
        for (const NLEFilterParamValue* cell :
             {&param->minValue(), &param->maxValue(), &param->defaultValue()}) {
            EXPECT_EQ(cell->type, 0u);
            EXPECT_TRUE(std::all_of(cell->raw + 4, cell->raw + sizeof cell->raw,
                                    [](unsigned char b) { return b == 0; }));
        }
    }
    EXPECT_EQ(info.getParam(static_cast<std::int32_t>(c.expected.size())), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ParseParams,
    ::testing::Values(
        ParamsCase{"SkippedTypeTakesNoIndex",
                   R"([{"NAME":"a","TYPE":"float","MIN":0.5,"MAX":2,"DEFAULT":1.25},
                       {"NAME":"b","TYPE":"colour"},
                       {"NAME":"c","TYPE":"int","MIN":-3,"MAX":7,"DEFAULT":4}])",
                   {{"a", "a", 3, bitsOf(0.5f), bitsOf(2.0f), bitsOf(1.25f)},
                    {"c", "c", 5, bitsOf(-3), bitsOf(7), bitsOf(4)}}},
        ParamsCase{"PointIsInt",
                   R"([{"NAME":"p","ALIAS":"Point","TYPE":"point","MAX":9}])",
                   {{"p", "Point", 5, 0, bitsOf(9), 0}}},
        ParamsCase{"StringIgnoresItsValues",
                   R"([{"NAME":"s","TYPE":"string","DEFAULT":"file:/x","MIN":{},"MAX":[]}])",
                   {{"s", "s", 6, 0, 0, 0}}},
        ParamsCase{"ObjectInKeyByteOrder",
                   R"({"b":{"NAME":"third","TYPE":"int"},"\u00e9":{"NAME":"fourth","TYPE":"int"},
                       "Z":{"NAME":"first","TYPE":"int"},"a":{"NAME":"second","TYPE":"int"}})",
                   {{"first", "first", 5, 0, 0, 0},
                    {"second", "second", 5, 0, 0, 0},
                    {"third", "third", 5, 0, 0, 0},
                    {"fourth", "fourth", 5, 0, 0, 0}}},
        ParamsCase{"IntConversions",
                   R"([{"TYPE":"int","MIN":-2.9,"MAX":2.9,"DEFAULT":true},
                       {"TYPE":"int","MIN":-2147483648,"MAX":2147483647,"DEFAULT":false},
                       {"TYPE":"int","MIN":-2147483648.9,"MAX":2147483647.5,"DEFAULT":1e2}])",
                   {{"", "", 5, bitsOf(-2), bitsOf(2), bitsOf(1)},
                    {"", "", 5, bitsOf(-2147483647 - 1), bitsOf(2147483647), 0},
                    {"", "", 5, bitsOf(-2147483647 - 1), bitsOf(2147483647), bitsOf(100)}}},
        ParamsCase{"FloatConversions",
                   R"([{"TYPE":"float","MIN":-7,"MAX":true,"DEFAULT":0.1},
                       {"TYPE":"float","MIN":18446744073709551615,"MAX":1e300,"DEFAULT":false}])",
                   {{"", "", 3, bitsOf(-7.0f), bitsOf(1.0f), bitsOf(0.1f)},
                    {"", "", 3, 0x5F800000u /* 2^64 */, 0x7F800000u /* +inf */, bitsOf(0.0f)}}},
        ParamsCase{"AliasFallsBackToName",
                   R"([{"NAME":"n","TYPE":"int"},{"ALIAS":"only alias","TYPE":"int"}])",
                   {{"n", "n", 5, 0, 0, 0}, {"", "only alias", 5, 0, 0, 0}}},
        ParamsCase{"NonObjectsAndUnknownTypesSkipped",
                   R"([5,"int",null,[],{},{"TYPE":"Int"},{"TYPE":"float "},{"TYPE":"string"}])",
                   {{"", "", 6, 0, 0, 0}}},
        ParamsCase{"NullHasNoElements", "null", {}},
        ParamsCase{"SingleValueIsOneSkippedElement", "5", {}}, ParamsCase{"EmptyArray", "[]", {}}),
    [](const auto& info) { return std::string(info.param.why); });

TEST(ParseParamsText, StringParameterStartsEmpty) {
    NLEFilterInfo info;
    parseParams(nlohmann::json::parse(R"([{"TYPE":"string","DEFAULT":"a.cube"}])"), info);
    NLEFilterParamValue current;
    info.getParam(0)->getValue(current);
    EXPECT_EQ(current.asText(), "");
}

}  // namespace
