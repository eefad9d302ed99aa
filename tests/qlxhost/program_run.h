// Runs the built qlxhost program as a user would and collects what it said.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qlxhosttest {

struct ProgramResult {
    int exitCode = -1;  // 128 + signal when killed
    std::string out;
    std::string err;
};

// `env` entries "NAME=value" are added to (or replace in) the environment.
ProgramResult runQlxhost(const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {});
// Any program, by full path.
ProgramResult runProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {});

// A program left running in the background.
class Background {
  public:
    explicit Background(const std::vector<std::string>& argv);
    ~Background();
    pid_t pid() const { return pid_; }
    ProgramResult wait();

  private:
    pid_t pid_ = -1;
    std::string outFile_, errFile_;
};

bool haveProgram(const std::string& name);
// The lines of `text` that are not empty.
std::vector<std::string> lines(const std::string& text);

}  // namespace qlxhosttest
