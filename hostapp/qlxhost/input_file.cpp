#include "input_file.h"

#include <fmt/core.h>

#include <cstdio>

#include "cli_error.h"

namespace qlxhost::cli {

using qlx::platform::FileRefusal;

std::string refusalLine(const std::string& path, FileRefusal why, std::uint64_t maxBytes,
                        const char* noun) {
    switch (why) {
        case FileRefusal::None:
            break;
        case FileRefusal::Missing:
            return fmt::format("{}: no such {}", path, noun);
        case FileRefusal::Folder:
            return fmt::format("{}: a folder, not a {}", path, noun);
        case FileRefusal::NotRegular:
            return fmt::format("{}: not a regular file (a FIFO, a device or a socket)", path);
        case FileRefusal::TooLarge:
            return fmt::format("{}: larger than a {} qlxhost reads ({} bytes at most)", path, noun,
                               maxBytes);
        case FileRefusal::Unopenable:
            return fmt::format("{}: cannot be opened", path);
        case FileRefusal::ReadFailed:
            return fmt::format("{}: cannot be read", path);
    }
    return fmt::format("{}: cannot be read", path);
}

void requireReadableFile(const std::string& path, std::uint64_t maxBytes, const char* noun) {
    FileRefusal why = FileRefusal::None;
    std::FILE* file = qlx::platform::openForSharedRead(path, maxBytes, &why);
    if (!file) throw CliError(refusalLine(path, why, maxBytes, noun));
    std::fclose(file);
}

std::string readInputFile(const std::string& path, std::uint64_t maxBytes, const char* noun) {
    std::string bytes;
    FileRefusal why = FileRefusal::None;
    if (!qlx::platform::readWholeFile(path, &bytes, maxBytes, &why)) {
        throw CliError(refusalLine(path, why, maxBytes, noun));
    }
    return bytes;
}

}  // namespace qlxhost::cli
