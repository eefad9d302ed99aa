#include "cli_error.h"
#include "commands.h"

namespace qlxhost::cli {

int runCheck(const CheckOptions&) {
    throw CliError("check is not built yet");
}

}  // namespace qlxhost::cli
