// POSIX side of the platform layer. Paths are UTF-8 already, so they pass to
// the system unchanged.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "common/platform.h"

namespace qlx::platform {

bool listFolder(const std::string& utf8Folder, const std::function<void(const DirEntry&)>& visit) {
    DIR* dir = opendir(utf8Folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir)) {
        DirEntry item{entry->d_name, false};
        if (entry->d_type == DT_DIR) {
            item.isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Some file systems do not say; a link to a folder counts as a folder.
            struct stat info;
            const std::string full = utf8Folder + "/" + item.name;
            item.isDirectory = stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        visit(item);
    }
    closedir(dir);
    return true;
}

std::string folderIdentity(const std::string& utf8Folder) {
    struct stat info;
    if (stat(utf8Folder.c_str(), &info) != 0) return std::string();
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::FILE* openForSharedRead(const std::string& utf8Path, std::uint64_t maxBytes,
                             FileRefusal* why) {
    FileRefusal refusal = FileRefusal::None;
    // Opened without blocking, so a FIFO answers at once instead of waiting
    // for a writer; the type and size are asked of what was opened, not of the
    // name, so nothing can be swapped in between.
    const int fd = open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0) {
        refusal =
            errno == ENOENT || errno == ENOTDIR ? FileRefusal::Missing : FileRefusal::Unopenable;
    } else if (fstat(fd, &info) != 0) {
        refusal = FileRefusal::Unopenable;
    } else if (S_ISDIR(info.st_mode)) {
        refusal = FileRefusal::Folder;
    } else if (!S_ISREG(info.st_mode)) {
        refusal = FileRefusal::NotRegular;
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        refusal = FileRefusal::TooLarge;
    } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        refusal = FileRefusal::Unopenable;
    }
    std::FILE* file = refusal == FileRefusal::None ? fdopen(fd, "rb") : nullptr;
    if (!file && refusal == FileRefusal::None) refusal = FileRefusal::Unopenable;
    if (!file && fd >= 0) close(fd);
    if (why) *why = refusal;
    return file;
}

namespace {
// The folder this library was loaded from, with a trailing slash.
std::string ownFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ownFolder), &info) || !info.dli_fname) return {};
    const std::string path = info.dli_fname;
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

void* loadLibrary(const std::string& utf8Path) {
    void* library = dlopen(utf8Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    // A bare name is searched through the caller's run path, which a dlopen
    // routed through another library (a sanitizer runtime, say) does not see;
    // companions installed beside this library are then found there.
    if (!library && !utf8Path.empty() && utf8Path.find('/') == std::string::npos) {
        const std::string beside = ownFolder() + utf8Path;
        if (beside != utf8Path) library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return library;
}

void* findSymbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void freeLibrary(void* library) {
    if (library) dlclose(library);
}

const char* sharedLibrarySuffix() {
    return ".so";
}

std::uint32_t currentThreadId() {
    return static_cast<std::uint32_t>(syscall(SYS_gettid));
}

}  // namespace qlx::platform
