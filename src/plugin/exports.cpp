// The six exported functions. Each forwards to the plugin's insides through
// one guard: whatever escapes becomes a failure code and a log line, never an
// exception across the host boundary.
#include <exception>

#include "common/log.h"
#include "plugin/entry_points.h"

namespace {

template <class Call>
std::int32_t guarded(const char* where, std::int32_t onFailure, Call&& call) noexcept {
    try {
        return call();
    } catch (const std::exception& e) {
        qlx::hostLog(kQLXLogError, "%s: %s", where, e.what());
    } catch (...) {
        qlx::hostLog(kQLXLogError, "%s: unexpected failure", where);
    }
    return onFailure;
}

}  // namespace

extern "C" {

QLX_EXPORT std::int32_t StartupQLX(QLXHostContext* host, QLXPluginInfo* info) {
    return guarded("StartupQLX", kQLXFailed, [&] { return qlx::startup(host, info); });
}

QLX_EXPORT std::int32_t ShutdownQLX() {
    return guarded("ShutdownQLX", kQLXSuccess, [] { return qlx::shutdown(); });
}

QLX_EXPORT std::int32_t RegisterQLXEffect(std::int32_t index, QLXEffectDescriptor* descriptor) {
    return guarded("RegisterQLXEffect", kQLXBadArgument,
                   [&] { return qlx::registerEffectAt(index, descriptor); });
}

QLX_EXPORT std::int32_t RegisterQLXEffectFromConfPath(const char* folder,
                                                      QLXEffectDescriptor* descriptor) {
    return guarded("RegisterQLXEffectFromConfPath", kQLXBadArgument,
                   [&] { return qlx::registerEffectFolder(folder, descriptor); });
}

QLX_EXPORT std::int32_t CreateQLXEffect(const char* guid, std::uint32_t renderMode,
                                        QLXEffect** effect) {
    return guarded("CreateQLXEffect", kQLXBadArgument,
                   [&] { return qlx::createEffect(guid, renderMode, effect); });
}

QLX_EXPORT void ReleaseQLXEffect(QLXEffect* effect) {
    guarded("ReleaseQLXEffect", 0, [&] {
        qlx::releaseEffect(effect);
        return 0;
    });
}

}  // extern "C"

#if defined(_WIN32)
#include <windows.h>
// The plugin needs no notice of thread creation and exit; everything else
// waits for StartupQLX.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}
#endif
