// The host's OpenGL device: a context of the host's own on Mesa's surfaceless
// EGL platform, current on the render thread, the device record the GPU Device
// Suite lists for it, and GPU frames held in textures of that context.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/host_kit.h"

namespace qlxhost {

class OpenGLDevice {
  public:
    OpenGLDevice() = default;
    ~OpenGLDevice();
    OpenGLDevice(const OpenGLDevice&) = delete;
    OpenGLDevice& operator=(const OpenGLDevice&) = delete;

    // Makes a desktop OpenGL core context (4.5, else 3.3) and makes it current
    // on the calling thread, which becomes the render thread. False, with
    // `error()` saying why, when the display or the context cannot be had.
    bool open();
    bool isOpen() const { return context_ != nullptr; }
    const std::string& error() const { return error_; }

    // The device record of type 2 (OpenGL): the EGL display, then the EGL
    // context; the other three handles are null.
    DeviceRecord record() const;

    void* display() const { return display_; }
    void* context() const { return context_; }
    bool isCurrent() const;
    bool makeCurrent();  // on the calling thread
    void release();      // nothing is current on the calling thread afterwards

    // Texture helpers; the context must be current on the calling thread. Pixels
    // are 8-bit BGRA bytes, rows `pitch` bytes apart (any pitch of at least
    // width * 4). The texture is RGBA8 so that it can be rendered into; its
    // sampling state is left as OpenGL makes it. Zero / false on failure.
    std::uint32_t createTexture(int width, int height, const std::uint8_t* pixels = nullptr,
                                int pitch = 0);
    bool upload(std::uint32_t texture, int width, int height, const std::uint8_t* pixels,
                int pitch);
    bool readBack(std::uint32_t texture, int width, int height, std::uint8_t* pixels,
                  int pitch) const;
    void deleteTexture(std::uint32_t texture);

  private:
    void* display_ = nullptr;  // EGLDisplay, shared in the process and never terminated
    void* context_ = nullptr;  // EGLContext
    std::string error_;
};

// One 8-bit BGRA GPU frame: a texture of the device's context, registered in
// the GPU Device Suite's frame table under its own handle while it lives, the
// texture id being the first frame handle.
class OpenGLFrame {
  public:
    // `stride` 0 means width * 4. With `hostPixels` the frame also reports a
    // host buffer of its own (editors may hand both); else GetData is null.
    OpenGLFrame(OpenGLDevice& device, GPUDeviceSuite& suite, int width, int height, int stride = 0,
                bool hostPixels = false);
    ~OpenGLFrame();
    OpenGLFrame(const OpenGLFrame&) = delete;
    OpenGLFrame& operator=(const OpenGLFrame&) = delete;

    bool isValid() const { return texture_ != 0; }
    Frame& frame() { return *frame_; }
    std::uint32_t texture() const { return texture_; }
    std::uint8_t* hostPixels() { return host_.empty() ? nullptr : host_.data(); }

    // Copies pixels (rows `pitch` bytes apart) into the texture, or out of it.
    bool write(const std::uint8_t* pixels, int pitch);
    bool read(std::uint8_t* pixels, int pitch) const;

  private:
    OpenGLDevice& device_;
    GPUDeviceSuite& suite_;
    int width_, height_;
    std::uint32_t texture_ = 0;
    std::vector<std::uint8_t> host_;
    std::unique_ptr<Frame> frame_;
};

}  // namespace qlxhost
