// Windows side of the platform layer: every path is converted whole from UTF-8
// to UTF-16 and handed to the wide API.
#include <io.h>
#include <share.h>
#include <windows.h>

#include "common/platform.h"

namespace qlx::platform {
namespace {
std::wstring wide(const std::string& utf8) {
    const std::u16string u16 = utf8ToUtf16(utf8);
    return std::wstring(u16.begin(), u16.end());
}
std::string narrow(const wchar_t* text) {
    std::u16string u16;
    for (; *text; ++text) u16 += static_cast<char16_t>(*text);
    return utf16ToUtf8(u16);
}
}  // namespace

bool listFolder(const std::string& utf8Folder, const std::function<void(const DirEntry&)>& visit) {
    const std::wstring pattern = wide(utf8Folder) + L"\\*";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        visit({narrow(data.cFileName), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

std::string folderIdentity(const std::string& utf8Folder) {
    // FILE_FLAG_BACKUP_SEMANTICS lets CreateFileW open a folder.
    HANDLE folder = CreateFileW(wide(utf8Folder).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return std::string();
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(folder, &info) != 0;
    CloseHandle(folder);
    if (!known) return std::string();
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
           ":" + std::to_string(info.nFileIndexLow);
}

std::FILE* openForSharedRead(const std::string& utf8Path, std::uint64_t maxBytes,
                             FileRefusal* why) {
    const std::wstring path = wide(utf8Path);
    FileRefusal refusal = FileRefusal::None;
    std::FILE* file = _wfsopen(path.c_str(), L"rb", _SH_DENYNO);
    if (!file) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        refusal = attributes == INVALID_FILE_ATTRIBUTES          ? FileRefusal::Missing
                  : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileRefusal::Folder
                                                                 : FileRefusal::Unopenable;
    } else {
        // Only a file on disk of bounded size: no pipe, console or device.
        const int fd = _fileno(file);
        const __int64 size = _filelengthi64(fd);
        if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK ||
            size < 0) {
            refusal = FileRefusal::NotRegular;
        } else if (static_cast<std::uint64_t>(size) > maxBytes) {
            refusal = FileRefusal::TooLarge;
        }
        if (refusal != FileRefusal::None) {
            std::fclose(file);
            file = nullptr;
        }
    }
    if (why) *why = refusal;
    return file;
}

void* loadLibrary(const std::string& utf8Path) {
    const std::wstring path = wide(utf8Path);
    HMODULE library = LoadLibraryW(path.c_str());
    // A bare name is not looked for beside this library by the ordinary
    // search; companions installed beside it are found there.
    if (!library && path.find_first_of(L"/\\") == std::wstring::npos) {
        HMODULE self = nullptr;
        wchar_t own[MAX_PATH];
        if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(&loadLibrary), &self) &&
            GetModuleFileNameW(self, own, MAX_PATH)) {
            std::wstring folder(own);
            folder.erase(folder.find_last_of(L"\\/") + 1);
            library = LoadLibraryW((folder + path).c_str());
        }
    }
    return reinterpret_cast<void*>(library);
}

void* findSymbol(void* library, const char* name) {
    return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name))
                   : nullptr;
}

void freeLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

const char* sharedLibrarySuffix() {
    return ".dll";
}

std::uint32_t currentThreadId() {
    return static_cast<std::uint32_t>(GetCurrentThreadId());
}

}  // namespace qlx::platform
