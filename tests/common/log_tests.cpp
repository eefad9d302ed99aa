// The log helper formats once and hands the host text, never a format.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "common/log.h"
#include "support/lent_host_util.h"

namespace {

TEST(HostLog, ArgumentsAndTextsKeepTheirPercentSigns) {
    qlxtest::LentHostUtil host;
    qlx::hostLog(4, "Create LUT Effect Failed: %s", "100%s%n");
    qlx::hostLogText(2, "50% done %d");
    const auto lines = host.log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(std::to_string(lines[0].level) + " " + lines[0].text,
              "4 Create LUT Effect Failed: 100%s%n");
    EXPECT_EQ(std::to_string(lines[1].level) + " " + lines[1].text, "2 50% done %d");
}

TEST(HostLog, ConcurrentCallersNeverMixTheirTexts) {
    qlxtest::LentHostUtil host;
    std::vector<std::thread> threads;
    std::multiset<std::string> expected;
    for (int t = 0; t < 8; ++t) {
        const std::string filler(100 + t * 300, static_cast<char>('a' + t));
        for (int i = 0; i < 200; ++i)
            expected.insert(std::to_string(t) + ":" + std::to_string(i) + filler);
        threads.emplace_back([t, filler] {
            for (int i = 0; i < 200; ++i) qlx::hostLog(2, "%d:%d%s", t, i, filler.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    std::multiset<std::string> received;
    for (const auto& line : host.log.lines()) received.insert(line.text);
    EXPECT_EQ(received, expected);
}

}  // namespace
