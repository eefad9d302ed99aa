#include "input_file.h"

#include <fmt/core.h>

#include <cstdio>

#include "cli_error.h"

namespace qlxhost::cli {

using qlx::platform::FileRefusal;

std::string refusalReason(FileRefusal why, std::uint64_t maxBytes, const char* noun) {
    switch (why) {
        case FileRefusal::None:
            break;
        case FileRefusal::Missing:
            return fmt::format("no such {}", noun);
        case FileRefusal::Folder:
            return fmt::format("a folder, not a {}", noun);
        case FileRefusal::NotRegular:
            return "not a regular file (a FIFO, a device or a socket)";
        case FileRefusal::TooLarge:
            return fmt::format("larger than a {} qlxhost reads ({} bytes at most)", noun, maxBytes);
        case FileRefusal::Unopenable:
            return "cannot be opened";
        case FileRefusal::ReadFailed:
            break;
    }
    return "cannot be read";
}

void requireReadableFile(const std::string& path, std::uint64_t maxBytes, const char* noun) {
    FileRefusal why = FileRefusal::None;
    std::FILE* file = qlx::platform::openForSharedRead(path, maxBytes, &why);
    if (!file) throw CliError(path + ": " + refusalReason(why, maxBytes, noun));
    std::fclose(file);
}

std::string readInputFile(const std::string& path, std::uint64_t maxBytes, const char* noun) {
    std::string bytes;
    FileRefusal why = FileRefusal::None;
    if (!qlx::platform::readWholeFile(path, &bytes, maxBytes, &why)) {
        throw CliError(path + ": " + refusalReason(why, maxBytes, noun));
    }
    return bytes;
}

}  // namespace qlxhost::cli
