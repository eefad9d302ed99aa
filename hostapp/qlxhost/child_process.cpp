#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "cli_error.h"
#include "interrupt.h"

namespace qlxhost::cli {
namespace {

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

int privateTemporaryFile() {
    char name[] = "/tmp/qlxhost-child-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) unlink(name);  // gone with the last descriptor
    return fd;
}

}  // namespace

std::string ChildProcess::findProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return access(program.c_str(), X_OK) == 0 ? program : std::string();
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, unsigned pipes) {
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    const bool ok = (!(pipes & kStdin) || pipe2(in, O_CLOEXEC) == 0) &&
                    (!(pipes & kStdout) || pipe2(out, O_CLOEXEC) == 0) &&
                    (stderrFile_ = privateTemporaryFile()) >= 0;
    if (!ok) throw CliError("cannot start " + argv.front() + ": " + std::strerror(errno));

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(pipes & kStdin ? in[0] : devNull, STDIN_FILENO);
        dup2(pipes & kStdout ? out[1] : devNull, STDOUT_FILENO);
        dup2(stderrFile_, STDERR_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    const int forkErrno = errno;
    if (pipes & kStdin) close(in[0]), stdin_ = in[1];
    if (pipes & kStdout) close(out[1]), stdout_ = out[0];
    if (pid_ < 0) {
        closeFd(stdin_), closeFd(stdout_), closeFd(stderrFile_);
        throw CliError("cannot start " + argv.front() + ": " + std::strerror(forkErrno));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) stop();
    closeFd(stdin_), closeFd(stdout_), closeFd(stderrFile_);
}

bool ChildProcess::write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(stdin_, bytes, size);
        if (n < 0 && errno == EINTR && !interrupted()) continue;
        if (n <= 0) return false;
        bytes += n, size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t ChildProcess::read(void* data, std::size_t size) {
    char* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(stdout_, bytes + done, size - done);
        if (n < 0 && errno == EINTR && !interrupted()) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::string ChildProcess::readAll() {
    std::string text;
    char buffer[4096];
    while (std::size_t n = read(buffer, sizeof buffer)) text.append(buffer, n);
    return text;
}

void ChildProcess::closeInput() {
    closeFd(stdin_);
}

int ChildProcess::wait() {
    if (status_ >= 0 || pid_ <= 0) return status_;
    closeInput();
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0) {
        if (errno != EINTR) return status_ = 127;
        // Ctrl-C while waiting: the child is ours to stop.
        if (interrupted()) kill(pid_, SIGKILL);
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

void ChildProcess::stop() {
    if (pid_ <= 0 || status_ >= 0) return;
    closeInput();
    closeFd(stdout_);
    // At once: what it was writing is thrown away, and an encoder asked
    // politely would first finish its queue of frames.
    kill(pid_, SIGKILL);
    wait();
}

std::string ChildProcess::firstErrorLine() const {
    if (stderrFile_ < 0) return {};
    std::string text;
    char buffer[4096];
    ssize_t n;
    lseek(stderrFile_, 0, SEEK_SET);
    while ((n = pread(stderrFile_, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    std::stringstream lines(text);
    std::string line, first;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        first = line;
        break;
    }
    while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.pop_back();
    return first;
}

}  // namespace qlxhost::cli
