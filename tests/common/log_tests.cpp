// The log helper formats once and hands the host text, never a format.
#include <gtest/gtest.h>

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

}  // namespace
