#include "render/gl/gl_engine_loader.h"

#include <cstdio>
#include <mutex>

#include "common/log.h"
#include "common/platform.h"
#include "common/process_state.h"

namespace qlx {
namespace {

// Set by the first successful load, never cleared: the engine and its library
// live as long as the process. OpenGL effects on several host threads may ask
// at once, so the check and the load are one step under the lock.
std::mutex engineMutex;
GLEffectEngine* cachedEngine = nullptr;

bool tryCandidate(const GLEngineLibraryCalls& calls, const std::string& name, bool softwareOpenGL,
                  GLEffectEngine** engine, GLEngineLogCallback log) {
    void* library = calls.load(name);
    if (library) {
        auto create = reinterpret_cast<CreateNLEOpenGLEffectEngineInstanceFn>(
            calls.find(library, kCreateGLEffectEngineEntry));
        if (create && create(engine, log, softwareOpenGL ? 1 : 0, 0) == 0) return true;
        calls.unload(library);
    }
    hostLog(4, "load %s failed !", name.c_str());
    return false;
}

}  // namespace

std::vector<std::string> glEngineCandidates() {
    const std::string suffix = platform::sharedLibrarySuffix();
    return {"KROpenGLEffectMgr" + suffix, "KROpenGLEffectMgr-mesa" + suffix,
            "KROpenGLEffectMgr-dx" + suffix};
}

const GLEngineLibraryCalls& platformLibraryCalls() {
    static const GLEngineLibraryCalls calls{&platform::loadLibrary, &platform::findSymbol,
                                            &platform::freeLibrary};
    return calls;
}

int loadGLEffectEngine(const GLEngineLibraryCalls& calls, bool softwareOpenGL,
                       GLEffectEngine** engine, GLEngineLogCallback log) {
    const std::vector<std::string> candidates = glEngineCandidates();
    if (!softwareOpenGL) return tryCandidate(calls, candidates[0], false, engine, log) ? 0 : 1;
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (tryCandidate(calls, candidates[i], true, engine, log)) return 0;
    }
    return 1;
}

int getGLEffectEngine(GLEffectEngine** engine, GLEngineLogCallback log, int /*engineKind*/) {
    if (!engine) return 1;
    std::lock_guard<std::mutex> lock(engineMutex);
    if (cachedEngine) {
        *engine = cachedEngine;
        return 0;
    }
    const int result =
        loadGLEffectEngine(platformLibraryCalls(), processState().softwareOpenGL, engine, log);
    if (result == 0) cachedEngine = *engine;
    return result;
}

void engineLogCallback(int level, const char* format, va_list args) {
    // Engines may log from their own threads: every call formats on its own stack.
    char text[8192];
    std::vsnprintf(text, sizeof text, format, args);
    hostLogText(level, text);
}

}  // namespace qlx
