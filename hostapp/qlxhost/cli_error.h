// A problem the user can act on: one line for stderr and the exit status.
#pragma once

#include <stdexcept>
#include <string>

namespace qlxhost::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  // the work could not be done, or check found problems
    kExitUsage = 2,   // the command line is wrong
    kExitInterrupted = 130,
};

class CliError : public std::runtime_error {
  public:
    explicit CliError(const std::string& message, int exitCode = kExitFailed)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

  private:
    int exitCode_;
};

}  // namespace qlxhost::cli
