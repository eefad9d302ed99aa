#include "kit/plugin_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <fstream>

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

bool PluginLibrary::loadFreshCopy(const std::string& path) {
    static std::atomic<int> counter{0};
    const std::string copy = path + ".fresh-" + std::to_string(getpid()) + "-" +
                             std::to_string(counter++) + ".qlx";
    {
        std::ifstream from(path, std::ios::binary);
        std::ofstream to(copy, std::ios::binary);
        if (!from || !to) {
            error_ = "cannot copy " + path;
            return false;
        }
        to << from.rdbuf();
    }
    const bool loaded = load(copy);
    std::remove(copy.c_str());  // the mapping stays valid after the name goes
    return loaded;
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
