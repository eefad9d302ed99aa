// The library's exported entry points. The same source makes both engine
// libraries; KRGL_MAY_MAKE_OWN_CONTEXT tells them apart.
#include "engine.h"
#include "kr_gl_engine_statistics.h"
#include "statistics.h"

#ifndef KRGL_MAY_MAKE_OWN_CONTEXT
#error "KRGL_MAY_MAKE_OWN_CONTEXT must be 0 or 1"
#endif

#define KRGL_EXPORT extern "C" __attribute__((visibility("default")))

// The one engine of the library. Never destroyed: effects held elsewhere may
// outlive every static object of the library at process exit.
KRGL_EXPORT int CreateNLEOpenGLEffectEngineInstance(GLEffectEngine** engine,
                                                    GLEngineLogCallback log,
                                                    std::uint8_t softwareOpenGL,
                                                    std::uint64_t /*value*/) {
    if (!engine) return 1;
    static krgl::Engine* const instance = new krgl::Engine(KRGL_MAY_MAKE_OWN_CONTEXT != 0);
    instance->setLog(log);
    instance->setSoftwareOpenGL(softwareOpenGL != 0);
    *engine = instance;
    return 0;
}

KRGL_EXPORT void KROpenGLEffectMgrStatistics(KRGLEngineStatistics* out) {
    if (out) *out = krgl::statistics().snapshot();
}
