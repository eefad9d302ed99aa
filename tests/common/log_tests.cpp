// The log helper: formats once, hands the host text (never a format), and is
// silent without a Host Util Suite.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/log.h"
#include "kit/host_kit.h"
#include "plugin/process_state.h"

namespace {

class HostLog : public ::testing::Test {
  protected:
    void SetUp() override { qlx::suiteTable().hostUtil = util.qlx(); }
    void TearDown() override { qlx::suiteTable().hostUtil = nullptr; }
    qlxhost::HostUtilSuite util;
};

TEST_F(HostLog, FormatsAndKeepsPercentSignsOfArguments) {
    qlx::hostLog(4, "Create LUT Effect Failed: %s", "100%s%n");
    qlx::hostLogText(2, "50% done %d");
    const auto lines = util.log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, 4);
    EXPECT_EQ(lines[0].text, "Create LUT Effect Failed: 100%s%n");
    EXPECT_EQ(lines[1].level, 2);
    EXPECT_EQ(lines[1].text, "50% done %d");
}

TEST_F(HostLog, ConcurrentCallersNeverMixTheirTexts) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) qlx::hostLog(2, "thread %d line %d", t, i);
        });
    for (auto& thread : threads) thread.join();
    const auto lines = util.log.lines();
    ASSERT_EQ(lines.size(), 1600u);
    for (const auto& line : lines) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.text.c_str(), "thread %d line %d", &t, &i), 2) << line.text;
        EXPECT_EQ(line.text, "thread " + std::to_string(t) + " line " + std::to_string(i));
    }
}

TEST(HostLogWithoutSuite, DoesNothing) {
    qlx::suiteTable().hostUtil = nullptr;
    qlx::hostLog(4, "nobody hears %s", "this");
    qlx::hostLogText(4, "nor this");
    EXPECT_EQ(qlx::suiteTable().hostUtil, nullptr);
}

}  // namespace
