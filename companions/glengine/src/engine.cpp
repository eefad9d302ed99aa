#include "engine.h"

#include "effect.h"
#include "statistics.h"

namespace krgl {

namespace {
// Trivially destructible, so it outlives every effect at process exit.
Statistics counters;
}  // namespace

Statistics& statistics() {
    return counters;
}

int Engine::createEffect(int width, int height, int rowPitch, bool /*reserved*/,
                         const std::string& programPath, std::shared_ptr<GLEffect>& effect,
                         std::int32_t /*encrypted*/, const std::string& text,
                         const GLTextLists& /*listsA*/, const GLTextLists& /*listsB*/) {
    effect.reset();
    if (width < 1 || height < 1) {
        log_(kLogError, "KROpenGLEffectMgr: no effect of %dx%d", width, height);
        return 1;
    }
    ContextOwner owner = ContextOwner::Host;
    if (!anyContextCurrent()) {
        if (!mayMakeOwnContext_) {
            log_(kLogError, "KROpenGLEffectMgr: no OpenGL context is current on this thread");
            return 1;
        }
        const bool existed = ownContext_.context() != EGL_NO_CONTEXT;
        if (!ownContext_.ensure(log_)) return 1;
        if (!existed) statistics().ownContextsMade++;
        owner = ContextOwner::Engine;
    }
    auto made = std::make_shared<Effect>(*this, owner, width, height, rowPitch, programPath);
    // A text given here is the shader function itself and takes the file's place.
    if (!text.empty()) made->setShaderFunction(text);
    effect = std::move(made);
    statistics().effectsCreated++;
    return 0;
}

}  // namespace krgl
