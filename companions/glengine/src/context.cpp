#include "context.h"

#include <cstring>

namespace krgl {
namespace {

struct ContextRequest {
    EGLenum api;
    EGLint renderableBit;
    EGLint attributes[7];
};

// Newest first; llvmpipe gives desktop 4.5 core.
const ContextRequest kRequests[] = {
    {EGL_OPENGL_API,
     EGL_OPENGL_BIT,
     {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5, EGL_CONTEXT_OPENGL_PROFILE_MASK,
      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE}},
    {EGL_OPENGL_API,
     EGL_OPENGL_BIT,
     {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE}},
    {EGL_OPENGL_ES_API,
     EGL_OPENGL_ES3_BIT,
     {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 2, EGL_NONE}},
    {EGL_OPENGL_ES_API,
     EGL_OPENGL_ES3_BIT,
     {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE}},
};

bool hasExtension(EGLDisplay display, const char* name) {
    const char* list = eglQueryString(display, EGL_EXTENSIONS);
    if (!list) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

EGLConfig chooseConfig(EGLDisplay display, EGLint renderableBit) {
    if (hasExtension(display, "EGL_KHR_no_config_context")) return EGL_NO_CONFIG_KHR;
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, renderableBit, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &count) || count < 1) return nullptr;
    return config;
}

}  // namespace

bool anyContextCurrent() {
    // Through GLVND, GL calls without a current context reach a stub answering null.
    return glGetString(GL_VERSION) != nullptr;
}

bool OwnContext::ensure(const EngineLog& log) {
    std::lock_guard<std::mutex> guard(createMutex_);
    if (context_ != EGL_NO_CONTEXT) return true;
    EGLDisplay display =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        log(kLogError, "KROpenGLEffectMgr: no surfaceless EGL display (EGL error 0x%x)",
            eglGetError());
        return false;
    }
    if (!hasExtension(display, "EGL_KHR_surfaceless_context")) {
        log(kLogError, "KROpenGLEffectMgr: the EGL display cannot make surfaceless contexts");
        return false;
    }
    const EGLenum previousApi = eglQueryAPI();
    for (const ContextRequest& request : kRequests) {
        EGLConfig config = chooseConfig(display, request.renderableBit);
        if (!eglBindAPI(request.api)) continue;
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, request.attributes);
        if (context != EGL_NO_CONTEXT) {
            display_ = display;
            context_ = context;
            api_ = request.api;
            break;
        }
    }
    eglBindAPI(previousApi);
    if (context_ == EGL_NO_CONTEXT) {
        log(kLogError, "KROpenGLEffectMgr: no OpenGL context on the surfaceless display (0x%x)",
            eglGetError());
        return false;
    }
    return true;
}

ContextScope::ContextScope(ContextOwner owner, OwnContext& own) {
    if (owner == ContextOwner::Host) {
        active_ = anyContextCurrent();
        return;
    }
    lock_ = std::unique_lock<std::recursive_mutex>(own.useMutex());
    savedApi_ = eglQueryAPI();
    savedContext_ = eglGetCurrentContext();
    if (savedContext_ == own.context()) {
        active_ = true;  // an enclosing scope on this thread already made it current
        return;
    }
    savedDisplay_ = eglGetCurrentDisplay();
    savedDraw_ = eglGetCurrentSurface(EGL_DRAW);
    savedRead_ = eglGetCurrentSurface(EGL_READ);
    eglBindAPI(own.api());
    active_ = eglMakeCurrent(own.display(), EGL_NO_SURFACE, EGL_NO_SURFACE, own.context());
    if (active_) {
        switchedFrom_ = &own;
    } else {
        eglBindAPI(savedApi_);
    }
}

ContextScope::~ContextScope() {
    if (!switchedFrom_) return;
    // Work queued in our context must reach the GPU before another context
    // (the host's) may look at shared objects.
    glFlush();
    if (savedContext_ != EGL_NO_CONTEXT) {
        eglBindAPI(savedApi_);
        eglMakeCurrent(savedDisplay_, savedDraw_, savedRead_, savedContext_);
    } else {
        eglMakeCurrent(switchedFrom_->display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglBindAPI(savedApi_);
    }
}

}  // namespace krgl
