// File reading built on the platform layer's opening, the same on every system.
#include <cstdio>

#include "common/platform.h"

namespace qlx::platform {

bool readWholeFile(const std::string& utf8Path, std::string* bytes, std::uint64_t maxBytes,
                   FileRefusal* why) {
    std::FILE* file = openForSharedRead(utf8Path, maxBytes, why);
    if (!file) return false;
    std::string text;
    char chunk[1 << 16];
    std::size_t got;
    FileRefusal refusal = FileRefusal::None;
    try {
        // A file that grows past the limit while it is read is refused too.
        while (refusal == FileRefusal::None &&
               (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            text.append(chunk, got);
            if (text.size() > maxBytes) refusal = FileRefusal::TooLarge;
        }
    } catch (...) {
        std::fclose(file);
        throw;
    }
    if (refusal == FileRefusal::None && std::ferror(file)) refusal = FileRefusal::ReadFailed;
    std::fclose(file);
    if (why) *why = refusal;
    if (refusal != FileRefusal::None) return false;
    if (bytes) *bytes = std::move(text);
    return true;
}

}  // namespace qlx::platform
