// Runs the built qlxhost program as a user would and collects what it said.
#pragma once

#include <string>
#include <vector>

namespace qlxhosttest {

struct ProgramResult {
    int exitCode = -1;  // 128 + signal when killed
    std::string out, err;
};

struct RunIn {
    RunIn(std::string folder = {}, std::string stdinFile = "/dev/null")
        : folder(std::move(folder)), stdinFile(std::move(stdinFile)) {}
    std::string folder;  // working folder; empty: this one
    std::string stdinFile;
    std::vector<std::string> env;  // "NAME=value" added to the environment
};

// Any program, by full path, or the built qlxhost with `args`.
ProgramResult runProgram(const std::vector<std::string>& argv, const RunIn& in = {});
ProgramResult runQlxhost(const std::vector<std::string>& args, const RunIn& in = {});

bool haveProgram(const std::string& name);
std::vector<std::string> lines(const std::string& text);  // those not empty

}  // namespace qlxhosttest
