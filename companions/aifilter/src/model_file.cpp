#include "model_file.h"

#include <fstream>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qlx::aifilter {
namespace {

// Bigger than any model this library ships; a larger file is not ours.
constexpr std::streamoff kMaxModelBytes = 64 << 20;

std::string thisLibraryFolder() {
    std::string path;
#if defined(_WIN32)
    HMODULE module = nullptr;
    char buffer[MAX_PATH] = {};
    if (GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&thisLibraryFolder), &module) &&
        GetModuleFileNameA(module, buffer, MAX_PATH) > 0) {
        path = buffer;
    }
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&thisLibraryFolder), &info) != 0 &&
        info.dli_fname != nullptr) {
        path = info.dli_fname;
    }
#endif
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool fileExists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

}  // namespace

std::string skinModelPath(const std::string& resourceFolder) {
    if (!resourceFolder.empty()) {
        const std::string inResources = resourceFolder + "/" + kSkinModelFileName;
        if (fileExists(inResources)) return inResources;
    }
    return thisLibraryFolder() + "/" + kSkinModelFileName;
}

bool readModelFile(const std::string& path, std::vector<char>& bytes, std::string& error) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot open the file";
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size <= 0 || size > kMaxModelBytes) {
        error = size <= 0 ? "the file is empty" : "the file is too large to be a skin model";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(bytes.data(), size)) {
        error = "the file could not be read";
        return false;
    }
    return true;
}

}  // namespace qlx::aifilter
