#include "program_bytes.h"

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#include <iterator>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qlxcipher {

#ifdef _WIN32

// Windows has no FIFOs in the file system; a device or folder is no regular file.
bool readProgramBytes(const std::string& utf8Path, std::string* bytes) {
    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) ||
        std::filesystem::file_size(path, error) > kMaxProgramFileBytes || error)
        return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad() && bytes->size() <= kMaxProgramFileBytes;
}

#else

// The type and size are asked of what was opened, not of the path, so a file
// swapped after the check cannot slip past it.
bool readProgramBytes(const std::string& utf8Path, std::string* bytes) {
    const int fd = open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uint64_t>(info.st_size) <= kMaxProgramFileBytes;
    std::string read;
    char buffer[65536];
    while (ok) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) break;
        // A file that grew while read is held to the limit all the same.
        ok = count > 0 && read.size() + count <= kMaxProgramFileBytes;
        if (ok) read.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    if (ok) *bytes = std::move(read);
    return ok;
}

#endif

}  // namespace qlxcipher
