// Creation and release, the answer to a null handle, parameters, the GUID read-back and the log
// callback. (That the twelve entry points and nothing else are exported is
// checked on the dynamic symbol table by aifilter_exports_exactly_twelve.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ai_filter_test_support.h"

namespace qlxtest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CreateByGuid, OnlyTheExactGuidCreatesAndDeleteNullsTheVariable) {
    for (const char* guid :
         {"b6812345-039a-49cb-bebb-339eaccd00f0", "{B6812345-039A-49CB-BEBB-339EACCD00F0}",
          "B6812345-039A-49CB-BEBB-339EACCD00F0 ", "", (const char*)nullptr}) {
        EXPECT_EQ(CreateNLEAIEffectFilterFromGUID(guid, ""), nullptr) << (guid ? guid : "null");
    }
    void* handle = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, nullptr);
    EXPECT_NE(handle, nullptr);
    DeleteNLEAIEffectFilter(&handle);
    EXPECT_EQ(handle, nullptr);
    DeleteNLEAIEffectFilter(&handle);
    DeleteNLEAIEffectFilter(nullptr);
}

TEST(NullHandle, EveryEntryPointAnswersNonZero) {
    std::uint8_t pixels[64 * 4] = {}, mask[64 * 4] = {};
    double value = 0;
    int32_t w = 0, h = 0;
    char text[64];
    EXPECT_NE(NLEEffectFilterTransform(nullptr, mask, 8, 8, 32, nullptr, 0, 0, 0, pixels, 8, 8, 32),
              0);
    EXPECT_NE(NLEEffectFilterTransformChannels(nullptr, mask, 8, 8, 32, 4, pixels, 8, 8, 32, 4), 0);
    EXPECT_NE(NLEEffectFilterSetParameter(nullptr, "sensitivity", 0.5), 0);
    EXPECT_NE(NLEEffectFilterGetParameter(nullptr, "sensitivity", &value), 0);
    EXPECT_NE(NLEEffectFilterGetAIResData(nullptr, mask, sizeof mask, &w, &h), 0);
    EXPECT_NE(NLEEffectFilterGetGUID(nullptr, text, sizeof text), 0);
    EXPECT_NE(NLEEffectFilterSetCurrentTime(nullptr, 1.0), 0);
    EXPECT_NE(NLEEffectFilterSetTotalTime(nullptr, 1.0), 0);
    EXPECT_NE(NLEEffectFilterSetFrameRate(nullptr, 25.0), 0);
}

TEST(Parameters, ValuesInRangeAreStoredAndTheRestRefusedWithoutChange) {
    const struct {
        const char* name;
        double value;
        bool accepted;
    } cases[] = {{"sensitivity", 0.0, true},   {"sensitivity", 1.0, true},
                 {"sensitivity", kNaN, false}, {"feather", 10.0, true},
                 {"feather", -0.5, false},     {"Sensitivity", 0.5, false},
                 {"currentTime", 1.0, false}};
    FilterHandle filter;
    for (const auto& c : cases) {
        double before = kNaN, after = kNaN;
        NLEEffectFilterGetParameter(filter.get(), c.name, &before);
        EXPECT_EQ(NLEEffectFilterSetParameter(filter.get(), c.name, c.value),
                  c.accepted ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT)
            << c.name << " " << c.value;
        NLEEffectFilterGetParameter(filter.get(), c.name, &after);
        EXPECT_TRUE(after == (c.accepted ? c.value : before) || std::isnan(before)) << c.name;
    }
    EXPECT_EQ(NLEEffectFilterSetParameter(filter.get(), nullptr, 0.5), QLX_AI_BAD_ARGUMENT);
    EXPECT_EQ(NLEEffectFilterGetParameter(filter.get(), "feather", nullptr), QLX_AI_BAD_ARGUMENT);
}

TEST(GuidReadBack, CopiesTheGuidOnlyWhenItFitsWithItsTerminator) {
    FilterHandle filter;
    for (const int size : {37, 36, 0, -1}) {
        std::string buffer(64, '#');
        const int result = NLEEffectFilterGetGUID(filter.get(), buffer.data(), size);
        EXPECT_EQ(result, size == 37 ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT) << size;
        EXPECT_EQ(buffer,
                  size == 37 ? QLX_AI_SKIN_FILTER_GUID + std::string(1, '\0') + std::string(27, '#')
                             : std::string(64, '#'));
    }
}

TEST(LogCallback, WarnsOfUnknownGuidsAndRefusedSizes) {
    FilterHandle filter;
    std::uint8_t pixels[16] = {};
    LogCapture log;
    EXPECT_EQ(CreateNLEAIEffectFilterFromGUID("not-a-guid-%s%n", ""), nullptr);
    EXPECT_EQ(
        NLEEffectFilterTransform(filter.get(), pixels, 2, 2, 7, nullptr, 0, 0, 0, pixels, 2, 2, 8),
        QLX_AI_BAD_ARGUMENT);
    const auto records = log.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].level == 3 && records[1].level == 3);
    EXPECT_NE(records[0].text.find("not-a-guid-%s%n"), std::string::npos) << records[0].text;
    EXPECT_NE(records[1].text.find("pitch 7"), std::string::npos) << records[1].text;
}

}  // namespace
}  // namespace qlxtest
