// Tuning parameters, timeline values, the GUID read-back and the log callback.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "ai_filter_api.h"

namespace qlxtest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParameterCase {
    const char* label;
    const char* name;
    double value;
    int result;
};

class SetParameter : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(SetParameter, StoresValuesInRangeAndRefusesTheRest) {
    const ParameterCase& c = GetParam();
    FilterHandle filter;
    const AiFilterApi& api = aiFilterApi();
    double before = kNaN;
    const bool known = api.getParameter(filter.get(), c.name, &before) == QLX_AI_OK;
    EXPECT_EQ(api.setParameter(filter.get(), c.name, c.value), c.result);
    if (!known) return;
    double after = kNaN;
    ASSERT_EQ(api.getParameter(filter.get(), c.name, &after), QLX_AI_OK);
    EXPECT_EQ(after, c.result == QLX_AI_OK ? c.value : before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SetParameter,
    ::testing::Values(ParameterCase{"sensitivityLow", "sensitivity", 0.0, QLX_AI_OK},
                      ParameterCase{"sensitivityHigh", "sensitivity", 1.0, QLX_AI_OK},
                      ParameterCase{"sensitivityMiddle", "sensitivity", 0.3, QLX_AI_OK},
                      ParameterCase{"sensitivityBelow", "sensitivity", -0.01, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"sensitivityAbove", "sensitivity", 1.01, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"sensitivityNaN", "sensitivity", kNaN, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"featherHard", "feather", 0.0, QLX_AI_OK},
                      ParameterCase{"featherWidest", "feather", 10.0, QLX_AI_OK},
                      ParameterCase{"featherAbove", "feather", 10.5, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"featherInfinite", "feather", kInf, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"wrongCase", "Sensitivity", 0.5, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"readOnlyTime", "currentTime", 1.0, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"unknown", "strength", 0.5, QLX_AI_BAD_ARGUMENT},
                      ParameterCase{"empty", "", 0.5, QLX_AI_BAD_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Parameters, NullNameOrNullOutputIsRefused) {
    FilterHandle filter;
    double value = 0;
    EXPECT_EQ(aiFilterApi().setParameter(filter.get(), nullptr, 0.5), QLX_AI_BAD_ARGUMENT);
    EXPECT_EQ(aiFilterApi().getParameter(filter.get(), nullptr, &value), QLX_AI_BAD_ARGUMENT);
    EXPECT_EQ(aiFilterApi().getParameter(filter.get(), "feather", nullptr), QLX_AI_BAD_ARGUMENT);
}

using TimeSetter = int (*)(void*, double);

struct TimeCase {
    const char* label;
    TimeSetter (*setter)();
    const char* readBackName;
    double value;
    int result;
};

TimeSetter currentTime() {
    return aiFilterApi().setCurrentTime;
}
TimeSetter totalTime() {
    return aiFilterApi().setTotalTime;
}
TimeSetter frameRate() {
    return aiFilterApi().setFrameRate;
}

class TimeValue : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeValue, IsStoredForReadingBackOrRefused) {
    const TimeCase& c = GetParam();
    FilterHandle filter;
    EXPECT_EQ(c.setter()(filter.get(), c.value), c.result);
    double stored = -1.0;
    ASSERT_EQ(aiFilterApi().getParameter(filter.get(), c.readBackName, &stored), QLX_AI_OK);
    EXPECT_EQ(stored, c.result == QLX_AI_OK ? c.value : 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, TimeValue,
    ::testing::Values(
        TimeCase{"currentTime", currentTime, "currentTime", 12.5, QLX_AI_OK},
        TimeCase{"currentTimeZero", currentTime, "currentTime", 0.0, QLX_AI_OK},
        TimeCase{"currentTimeNegative", currentTime, "currentTime", -1.0, QLX_AI_BAD_ARGUMENT},
        TimeCase{"totalTime", totalTime, "totalTime", 3600.0, QLX_AI_OK},
        TimeCase{"totalTimeNaN", totalTime, "totalTime", kNaN, QLX_AI_BAD_ARGUMENT},
        TimeCase{"frameRate", frameRate, "frameRate", 29.97, QLX_AI_OK},
        TimeCase{"frameRateZero", frameRate, "frameRate", 0.0, QLX_AI_BAD_ARGUMENT},
        TimeCase{"frameRateInfinite", frameRate, "frameRate", kInf, QLX_AI_BAD_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.label); });

struct GuidBuffer {
    const char* label;
    int32_t size;
    bool fits;
};

class GuidReadBack : public ::testing::TestWithParam<GuidBuffer> {};

TEST_P(GuidReadBack, CopiesTheGuidWhenItFitsWithItsTerminator) {
    FilterHandle filter;
    std::vector<char> buffer(64, '#');
    const int result = aiFilterApi().getGuid(filter.get(), buffer.data(), GetParam().size);
    if (GetParam().fits) {
        EXPECT_EQ(result, QLX_AI_OK);
        EXPECT_STREQ(buffer.data(), "B6812345-039A-49CB-BEBB-339EACCD00F0");
    } else {
        EXPECT_EQ(result, QLX_AI_BAD_ARGUMENT);
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(64, '#'));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, GuidReadBack,
                         ::testing::Values(GuidBuffer{"exact", 37, true},
                                           GuidBuffer{"large", 64, true},
                                           GuidBuffer{"noRoomForTerminator", 36, false},
                                           GuidBuffer{"zero", 0, false},
                                           GuidBuffer{"negative", -1, false}),
                         [](const auto& info) { return std::string(info.param.label); });

// Collects what the library reports, formatted as a host would format it.
struct LogRecord {
    int level;
    std::string text;
};
std::mutex g_logMutex;
std::vector<LogRecord> g_log;

void collectLog(int level, const char* format, va_list args) {
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.push_back({level, text});
}

class LogCallback : public ::testing::Test {
  protected:
    void SetUp() override {
        g_log.clear();
        aiFilterApi().setLogCallback(collectLog);
    }
    void TearDown() override { aiFilterApi().setLogCallback(nullptr); }
};

TEST_F(LogCallback, UnknownGuidIsReportedAsAWarningWithTheGuid) {
    EXPECT_EQ(aiFilterApi().create("not-a-guid-%s%n", ""), nullptr);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].level, 3);
    EXPECT_NE(g_log[0].text.find("not-a-guid-%s%n"), std::string::npos) << g_log[0].text;
}

TEST_F(LogCallback, RefusedSizesAreReportedWithTheSizes) {
    FilterHandle filter;
    std::uint8_t pixels[16] = {};
    EXPECT_EQ(
        aiFilterApi().transform(filter.get(), pixels, 2, 2, 7, nullptr, 0, 0, 0, pixels, 2, 2, 8),
        QLX_AI_BAD_ARGUMENT);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].level, 3);
    EXPECT_NE(g_log[0].text.find("pitch 7"), std::string::npos) << g_log[0].text;
}

TEST_F(LogCallback, ANullCallbackSilencesTheLibrary) {
    aiFilterApi().setLogCallback(nullptr);
    EXPECT_EQ(aiFilterApi().create("unknown", ""), nullptr);
    EXPECT_TRUE(g_log.empty());
}

}  // namespace
}  // namespace qlxtest
