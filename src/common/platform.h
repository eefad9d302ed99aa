// The few operating-system services the plugin needs, behind one small layer so
// the rest of the code stays portable. Texts are UTF-8 everywhere inside the
// plugin; the Windows implementation converts to UTF-16 at each call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qlx::platform {

// Whole-string UTF-8 -> UTF-16. An ill-formed sequence (stray continuation
// byte, overlong form, surrogate code point, value above U+10FFFF, truncated
// sequence) becomes one U+FFFD per maximal ill-formed subpart, as the Unicode
// standard recommends; the conversion never fails and never drops text.
std::u16string utf8ToUtf16(const std::string& utf8);

// Whole-string UTF-16 -> UTF-8. An unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const std::u16string& utf16);

struct DirEntry {
    std::string name;  // UTF-8, no folder part
    bool isDirectory;
};

// Lists a folder in the platform's own order, "." and ".." included where the
// platform yields them. Returns false (and calls nothing) when the folder
// cannot be opened.
bool listFolder(const std::string& utf8Folder, const std::function<void(const DirEntry&)>& visit);

// A key shared by every path that reaches the same folder (through links or
// junctions included), so a folder walk can notice a loop. Empty when the
// folder cannot be asked.
std::string folderIdentity(const std::string& utf8Folder);

// The largest file the plugin reads (a LUT file, a description): 64 MiB. The
// largest LUT the loader takes, 65 points a side, is about 8 MiB of text.
inline constexpr std::uint64_t kMaxReadableFileBytes = std::uint64_t(64) << 20;

// Why a file was not opened or read.
enum class FileRefusal {
    None,
    Missing,     // nothing by that name
    Unopenable,  // there, but not to be opened (permissions, a link loop)
    Folder,
    NotRegular,  // a FIFO, a device or a socket
    TooLarge,    // more bytes than the limit
    ReadFailed,
};

// Opens a file by UTF-8 path for binary reading, sharing it for reading and
// writing with other processes. Null when it cannot be opened, when it is no
// regular file (a folder, a FIFO, a device), or when it holds more than
// `maxBytes`; `why`, when given, then says which. Never waits: a FIFO without
// a writer is refused at once.
std::FILE* openForSharedRead(const std::string& utf8Path,
                             std::uint64_t maxBytes = kMaxReadableFileBytes,
                             FileRefusal* why = nullptr);

// The whole of a file that openForSharedRead accepts; false when it refuses it,
// the file grows past `maxBytes` while it is read, or a read fails.
bool readWholeFile(const std::string& utf8Path, std::string* bytes,
                   std::uint64_t maxBytes = kMaxReadableFileBytes, FileRefusal* why = nullptr);

// Run-time library loading. Handles are opaque; null means failure.
void* loadLibrary(const std::string& utf8Path);
void* findSymbol(void* library, const char* name);
void freeLibrary(void* library);

// Platform file-name suffix of shared libraries (".so", ".dll").
const char* sharedLibrarySuffix();

// Identifier of the calling thread, stable for the thread's life.
std::uint32_t currentThreadId();

}  // namespace qlx::platform
