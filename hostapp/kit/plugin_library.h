// Loads qlxLUTPlugin.qlx at run time and resolves its six exports, the way an
// editor does. Nothing of the plugin's insides is reachable through it.
#pragma once

#include <string>

#include "qlx/qlx_plugin.h"

namespace qlxhost {

class PluginLibrary {
  public:
    using StartupFn = decltype(&StartupQLX);
    using ShutdownFn = decltype(&ShutdownQLX);
    using RegisterFn = decltype(&RegisterQLXEffect);
    using RegisterFromPathFn = decltype(&RegisterQLXEffectFromConfPath);
    using CreateFn = decltype(&CreateQLXEffect);
    using ReleaseFn = decltype(&ReleaseQLXEffect);

    PluginLibrary() = default;
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    ~PluginLibrary();

    // False, with `error()` saying why, when the file does not load or lacks an export.
    bool load(const std::string& path);
    // Loads a private copy of the file placed beside it, so the copy's
    // process-wide state starts fresh (tests start the plugin many times).
    bool loadFreshCopy(const std::string& path);
    const std::string& error() const { return error_; }

    StartupFn startup = nullptr;
    ShutdownFn shutdown = nullptr;
    RegisterFn registerEffect = nullptr;
    RegisterFromPathFn registerFromConfPath = nullptr;
    CreateFn createEffect = nullptr;
    ReleaseFn releaseEffect = nullptr;

    // Default location: beside the running program (the build and install layouts).
    static std::string defaultPath();

  private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace qlxhost
