#include "kit/opengl_device.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>

namespace qlxhost {

namespace {

// Newest first; Mesa's llvmpipe gives 4.5 core.
constexpr EGLint kVersions[][2] = {{4, 5}, {3, 3}};

std::string eglFailure(const char* step) {
    return std::string(step) + " failed (EGL error " + std::to_string(eglGetError()) + ")";
}

bool usableImage(int width, int height, const void* pixels, int pitch) {
    return width > 0 && height > 0 && pixels && pitch >= width * 4;
}

// Puts back the bindings and pixel-store values the helpers change, so the
// host's own state survives them.
class BindingGuard {
  public:
    BindingGuard() {
        // Errors left by earlier calls must not be taken for the helper's own.
        for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
        }
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength_);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment_);
        glGetIntegerv(GL_PACK_ROW_LENGTH, &packRowLength_);
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment_);
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer_);
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer_);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    ~BindingGuard() {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer_));
        glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment_);
        glPixelStorei(GL_PACK_ROW_LENGTH, packRowLength_);
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment_);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer_));
        glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer_));
    }
    BindingGuard(const BindingGuard&) = delete;
    BindingGuard& operator=(const BindingGuard&) = delete;

  private:
    GLint texture_ = 0, readFramebuffer_ = 0;
    GLint unpackRowLength_ = 0, unpackAlignment_ = 4, packRowLength_ = 0, packAlignment_ = 4;
    GLint unpackBuffer_ = 0, packBuffer_ = 0;
};

// Rows of whole pixels go in one call; a pitch that is not a whole number of
// pixels goes row by row.
void writeRows(int width, int height, const std::uint8_t* pixels, int pitch) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (pitch % 4 == 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / 4);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (int y = 0; y < height; ++y) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, 1, GL_BGRA, GL_UNSIGNED_BYTE,
                        pixels + static_cast<std::size_t>(y) * pitch);
    }
}

void readRows(int width, int height, std::uint8_t* pixels, int pitch) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (pitch % 4 == 0) {
        glPixelStorei(GL_PACK_ROW_LENGTH, pitch / 4);
        glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    for (int y = 0; y < height; ++y) {
        glReadPixels(0, y, width, 1, GL_BGRA, GL_UNSIGNED_BYTE,
                     pixels + static_cast<std::size_t>(y) * pitch);
    }
}

}  // namespace

// ---- device ---------------------------------------------------------------

OpenGLDevice::~OpenGLDevice() {
    if (!context_) return;
    if (isCurrent()) release();
    // The display is shared with the effect engine's own context: never terminated.
    eglDestroyContext(display_, context_);
}

bool OpenGLDevice::open() {
    if (isOpen()) return makeCurrent();
    EGLDisplay display =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        error_ = eglFailure("the surfaceless EGL display");
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = eglFailure("eglBindAPI(OpenGL)");
        return false;
    }
    EGLContext context = EGL_NO_CONTEXT;
    for (const EGLint* version : kVersions) {
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                     version[0],
                                     EGL_CONTEXT_MINOR_VERSION,
                                     version[1],
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
        context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
        if (context != EGL_NO_CONTEXT) break;
    }
    if (context == EGL_NO_CONTEXT) {
        error_ = eglFailure("eglCreateContext (OpenGL 4.5 or 3.3 core)");
        return false;
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error_ = eglFailure("eglMakeCurrent");
        eglDestroyContext(display, context);
        return false;
    }
    display_ = display;
    context_ = context;
    return true;
}

DeviceRecord OpenGLDevice::record() const {
    DeviceRecord record;
    record.type = kQLXGPUDeviceTypeOpenGL;
    record.handles[0] = display_;
    record.handles[1] = context_;
    return record;
}

bool OpenGLDevice::isCurrent() const {
    return context_ && eglGetCurrentContext() == context_;
}

bool OpenGLDevice::makeCurrent() {
    return context_ && eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

void OpenGLDevice::release() {
    if (display_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::uint32_t OpenGLDevice::createTexture(int width, int height, const std::uint8_t* pixels,
                                          int pitch) {
    if (!isCurrent() || width <= 0 || height <= 0) return 0;
    if (pixels && pitch < width * 4) return 0;
    BindingGuard guard;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    if (pixels) writeRows(width, height, pixels, pitch);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

bool OpenGLDevice::upload(std::uint32_t texture, int width, int height, const std::uint8_t* pixels,
                          int pitch) {
    if (!isCurrent() || !texture || !usableImage(width, height, pixels, pitch)) return false;
    BindingGuard guard;
    glBindTexture(GL_TEXTURE_2D, texture);
    writeRows(width, height, pixels, pitch);
    return glGetError() == GL_NO_ERROR;
}

bool OpenGLDevice::readBack(std::uint32_t texture, int width, int height, std::uint8_t* pixels,
                            int pitch) const {
    if (!isCurrent() || !texture || !usableImage(width, height, pixels, pitch)) return false;
    BindingGuard guard;
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) readRows(width, height, pixels, pitch);
    glDeleteFramebuffers(1, &framebuffer);
    return complete && glGetError() == GL_NO_ERROR;
}

void OpenGLDevice::deleteTexture(std::uint32_t texture) {
    if (!isCurrent() || !texture) return;
    const GLuint name = texture;
    glDeleteTextures(1, &name);
}

// ---- frames ---------------------------------------------------------------

OpenGLFrame::OpenGLFrame(OpenGLDevice& device, GPUDeviceSuite& suite, int width, int height,
                         int stride, bool hostPixels)
    : device_(device), suite_(suite), width_(width), height_(height) {
    const int pitch = stride > 0 ? stride : width * 4;
    if (hostPixels && width > 0 && height > 0) host_.assign(std::size_t(pitch) * height, 0);
    texture_ = device.createTexture(width, height);
    frame_ = Frame::gpu(this, width, height, pitch, hostPixels ? this->hostPixels() : nullptr);
    if (texture_) {
        suite_.addFrame(this, {reinterpret_cast<void*>(std::uintptr_t{texture_}), nullptr, 0});
    }
}

OpenGLFrame::~OpenGLFrame() {
    suite_.removeFrame(this);
    device_.deleteTexture(texture_);
}

bool OpenGLFrame::write(const std::uint8_t* pixels, int pitch) {
    return device_.upload(texture_, width_, height_, pixels, pitch);
}

bool OpenGLFrame::read(std::uint8_t* pixels, int pitch) const {
    return device_.readBack(texture_, width_, height_, pixels, pitch);
}

}  // namespace qlxhost
