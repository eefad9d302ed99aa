// Which OpenGL context an effect works in, and making it current for the span
// of one operation.
#pragma once

#include <mutex>

#include "engine_log.h"
#include "gl_headers.h"

namespace krgl {

// An effect's GL objects live either in the context that was current on the
// caller's thread when the effect was made (the host's) or in the engine's own.
enum class ContextOwner { Host, Engine };

// True when any OpenGL context (EGL, GLX, desktop or ES) is current on this thread.
bool anyContextCurrent();

// The engine's own headless context: Mesa's surfaceless EGL platform, desktop
// OpenGL 4.5 or 3.3 core, else OpenGL ES 3.x. Made on first use and kept; the
// display is never terminated, since other users in the process may share it.
class OwnContext {
  public:
    bool ensure(const EngineLog& log);
    EGLDisplay display() const { return display_; }
    EGLContext context() const { return context_; }
    EGLenum api() const { return api_; }
    // The context is current on one thread at a time; scopes hold this.
    std::recursive_mutex& useMutex() { return useMutex_; }

  private:
    std::mutex createMutex_;
    std::recursive_mutex useMutex_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLenum api_ = EGL_OPENGL_API;
};

// Makes an effect's context usable for one operation and afterwards puts back
// whatever was current on the thread (nothing included). For the host's
// context it only checks that a context is current.
class ContextScope {
  public:
    ContextScope(ContextOwner owner, OwnContext& own);
    ~ContextScope();
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;
    bool active() const { return active_; }

  private:
    OwnContext* switchedFrom_ = nullptr;  // set when the own context was made current here
    std::unique_lock<std::recursive_mutex> lock_;
    bool active_ = false;
    EGLenum savedApi_ = EGL_NONE;
    EGLDisplay savedDisplay_ = EGL_NO_DISPLAY;
    EGLSurface savedDraw_ = EGL_NO_SURFACE;
    EGLSurface savedRead_ = EGL_NO_SURFACE;
    EGLContext savedContext_ = EGL_NO_CONTEXT;
};

}  // namespace krgl
