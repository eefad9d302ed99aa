#include "kit/plugin_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace qlxhost {

PluginLibrary::~PluginLibrary() {
    // The plugin's worker threads (OpenCV's pool) may outlive a shutdown, so the
    // library stays mapped until the process ends, as editors do.
}

template <class Fn>
static bool resolve(void* handle, const char* name, Fn& out, std::string& error) {
    out = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!out) error = std::string("the plugin does not export ") + name;
    return out != nullptr;
}

bool PluginLibrary::load(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    return resolve(handle_, "StartupQLX", startup, error_) &&
           resolve(handle_, "ShutdownQLX", shutdown, error_) &&
           resolve(handle_, "RegisterQLXEffect", registerEffect, error_) &&
           resolve(handle_, "RegisterQLXEffectFromConfPath", registerFromConfPath, error_) &&
           resolve(handle_, "CreateQLXEffect", createEffect, error_) &&
           resolve(handle_, "ReleaseQLXEffect", releaseEffect, error_);
}

std::string PluginLibrary::defaultPath() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "qlxLUTPlugin.qlx";
    std::string dir(self, static_cast<std::size_t>(n));
    dir.erase(dir.find_last_of('/') + 1);
    return dir + "qlxLUTPlugin.qlx";
}

}  // namespace qlxhost
