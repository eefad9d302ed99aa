// The reference host's Host Util Suite, lent to the plugin code under test for
// the object's lifetime, as start-up lends it.
#pragma once

#include "common/process_state.h"
#include "kit/host_kit.h"

namespace qlxtest {

struct LentHostUtil : qlxhost::HostUtilSuite {
    LentHostUtil() { qlx::suiteTable().hostUtil = qlx(); }
    ~LentHostUtil() { qlx::suiteTable().hostUtil = nullptr; }
};

}  // namespace qlxtest
