#include "skin/ai_filter_log.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "host_util_double.h"

namespace {

void logThroughCallback(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    aiFilterLogCallback(level, format, args);
    va_end(args);
}

struct FormatCase {
    int level;
    const char* format;
    const char* argument;
    const char* expected;
};

class LogFormatting : public ::testing::TestWithParam<FormatCase> {};

TEST_P(LogFormatting, ReachesTheHostAsTextAtTheSameLevel) {
    const FormatCase& c = GetParam();
    HostUtilDouble host;
    logThroughCallback(c.level, c.format, c.argument);
    const auto calls = host.logCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].level, c.level);
    EXPECT_EQ(calls[0].format, "%s");
    EXPECT_EQ(calls[0].text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Messages, LogFormatting,
                         ::testing::Values(FormatCase{2, "%s", "100% sure %d %n %s",
                                                      "100% sure %d %n %s"},
                                           FormatCase{3, "ratio %s%%", "50", "ratio 50%"},
                                           FormatCase{4, "mask %s failed", "", "mask  failed"},
                                           FormatCase{4, "%%%%", "", "%%"}));

class LogLength : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LogLength, CutsTheTextTo4095Characters) {
    const std::size_t length = GetParam();
    HostUtilDouble host;
    const std::string message(length, 'x');
    logThroughCallback(2, "%s", message.c_str());
    ASSERT_EQ(host.logCalls().size(), 1u);
    EXPECT_EQ(host.logCalls()[0].text, std::string(std::min<std::size_t>(length, 4095), 'x'));
}

INSTANTIATE_TEST_SUITE_P(Lengths, LogLength,
                         ::testing::Values(0, 1, 4094, 4095, 4096, 8191, 8192, 20000));

TEST(LogThreads, ConcurrentMessagesArriveWhole) {
    HostUtilDouble host;
    constexpr int kThreads = 8;
    constexpr int kMessages = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string filler(100 + t * 300, static_cast<char>('a' + t));
            for (int m = 0; m < kMessages; ++m)
                logThroughCallback(2, "%d:%d:%s", t, m, filler.c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::set<std::string> expected;
    for (int t = 0; t < kThreads; ++t) {
        const std::string filler(100 + t * 300, static_cast<char>('a' + t));
        for (int m = 0; m < kMessages; ++m) {
            expected.insert(std::to_string(t) + ":" + std::to_string(m) + ":" + filler);
        }
    }
    std::set<std::string> received;
    for (const auto& call : host.logCalls()) received.insert(call.text);
    EXPECT_EQ(received, expected);
}

}  // namespace
