// The host's OpenCL device: a real OpenCL context on the first device the
// system offers (a GPU when there is one, else any, e.g. POCL's CPU device),
// lent to the plugin through the GPU Device Suite, and frames that live in
// OpenCL images on it, as an editor's GPU frames do.
#pragma once

#include <memory>
#include <string>

#include "kit/host_kit.h"

namespace qlxhost::cli {

enum class Renderer { Cpu = 0, OpenCL = 1, OpenGL = 2 };

class OpenCLFrame;

class OpenCLDevice {
  public:
    // Null, with `error` set, when the system offers no usable OpenCL device.
    static std::unique_ptr<OpenCLDevice> open(std::string* error);
    ~OpenCLDevice();
    OpenCLDevice(const OpenCLDevice&) = delete;
    OpenCLDevice& operator=(const OpenCLDevice&) = delete;

    // The device record: handle 1 the context, 2 the device, 3 an in-order
    // command queue, 4 the platform, 5 unused.
    DeviceRecord record() const;
    const std::string& name() const { return name_; }

    // An 8-bit BGRA image of `width` x `height` known to `suite` as a GPU frame.
    std::unique_ptr<OpenCLFrame> makeFrame(GPUDeviceSuite& suite, int width, int height);

  private:
    OpenCLDevice() = default;
    friend class OpenCLFrame;
    void* platform_ = nullptr;
    void* device_ = nullptr;
    void* context_ = nullptr;
    void* queue_ = nullptr;
    std::string name_;
};

class OpenCLFrame {
  public:
    ~OpenCLFrame();
    Frame& frame() { return *frame_; }
    // Copies rows of 8-bit BGRA pixels in or out; false when OpenCL refuses.
    bool upload(const void* pixels, int stride);
    bool download(void* pixels, int stride);

  private:
    friend class OpenCLDevice;
    OpenCLFrame(OpenCLDevice& device, GPUDeviceSuite& suite) : device_(device), suite_(suite) {}
    OpenCLDevice& device_;
    GPUDeviceSuite& suite_;
    void* image_ = nullptr;
    int width_ = 0, height_ = 0;
    std::unique_ptr<Frame> frame_;
};

}  // namespace qlxhost::cli
