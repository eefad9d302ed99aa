#include "common/process_state.h"

namespace qlx {

SuiteTable& suiteTable() {
    static SuiteTable table;  // zero-filled by the first caller, race-free
    return table;
}

ProcessState& processState() {
    static ProcessState state;
    return state;
}

}  // namespace qlx
