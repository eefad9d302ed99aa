// File reading built on the platform layer's opening, the same on every system.
#include <cstdio>

#include "common/platform.h"

namespace qlx::platform {

bool readWholeFile(const std::string& utf8Path, std::string* bytes) {
    std::FILE* file = openForSharedRead(utf8Path);
    if (!file) return false;
    std::string text;
    char chunk[1 << 16];
    std::size_t got;
    bool ok = true;
    try {
        // A file that grows past the limit while it is read is refused too.
        while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            text.append(chunk, got);
            ok = text.size() <= kMaxReadableFileBytes;
        }
    } catch (...) {
        std::fclose(file);
        throw;
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    if (ok && bytes) *bytes = std::move(text);
    return ok;
}

}  // namespace qlx::platform
