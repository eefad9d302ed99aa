#include "program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "support/temp_dir.h"

extern char** environ;

namespace qlxhosttest {
namespace {

std::string temporaryName() {
    char name[] = "/tmp/qlxhost-test-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

pid_t spawn(const std::vector<std::string>& argv, const RunIn& in, const std::string& outFile,
            const std::string& errFile) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& entry : in.env) putenv(const_cast<char*>(entry.c_str()));
    if (!in.folder.empty() && chdir(in.folder.c_str()) != 0) _exit(126);
    dup2(open(in.stdinFile.c_str(), O_RDONLY), STDIN_FILENO);
    dup2(open(outFile.c_str(), O_WRONLY | O_TRUNC), STDOUT_FILENO);
    dup2(open(errFile.c_str(), O_WRONLY | O_TRUNC), STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execve(args[0], args.data(), environ);
    _exit(127);
}

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& argv, const RunIn& in) {
    const std::string outFile = temporaryName(), errFile = temporaryName();
    const pid_t pid = spawn(argv, in, outFile, errFile);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    ProgramResult result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                         qlxtest::readFile(outFile), qlxtest::readFile(errFile)};
    unlink(outFile.c_str());
    unlink(errFile.c_str());
    return result;
}

ProgramResult runQlxhost(const std::vector<std::string>& args, const RunIn& in) {
    std::vector<std::string> argv{QLXHOST_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, in);
}

bool haveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

}  // namespace qlxhosttest
