// A helper program (ffmpeg, ffprobe) run with pipes to its standard input and
// output. Its diagnostics go to a private temporary file, so a chatty child can
// never block the pipes, and are read back when it fails. Children run in
// their own process group: Ctrl-C reaches qlxhost only, which then stops them.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qlxhost::cli {

class ChildProcess {
  public:
    enum Pipes : unsigned { kNone = 0, kStdin = 1, kStdout = 2 };

    // Full path of `program` found on PATH, or empty.
    static std::string findProgram(const std::string& program);

    // Starts argv[0] (a full path); CliError when it cannot be started.
    ChildProcess(const std::vector<std::string>& argv, unsigned pipes);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // stops a child that is still running

    // False when the child no longer reads (it failed or was stopped).
    bool write(const void* data, std::size_t size);
    // Reads up to `size` bytes, fewer only at the end of the output or on Ctrl-C.
    std::size_t read(void* data, std::size_t size);
    std::string readAll();
    void closeInput();
    // Waits for the end; the exit status, or 128 + signal number.
    int wait();
    void stop();  // kills the child at once
    // The first non-empty line of what the child wrote to its error output:
    // the cause, where later lines tell what failed because of it.
    std::string firstErrorLine() const;

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int stderrFile_ = -1;
    int status_ = -1;
};

}  // namespace qlxhost::cli
