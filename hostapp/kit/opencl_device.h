// The host's OpenCL device: a real context on the first OpenCL platform (POCL
// on machines without a GPU), the device record the GPU Device Suite lists for
// it, and GPU frames made as OpenCL images on that context.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kit/host_kit.h"

namespace qlxhost {

class OpenCLDevice {
  public:
    OpenCLDevice() = default;
    ~OpenCLDevice();
    OpenCLDevice(const OpenCLDevice&) = delete;
    OpenCLDevice& operator=(const OpenCLDevice&) = delete;

    // Opens a context and an in-order queue on the first device of the first
    // platform. False, with `error()` saying why, when there is none.
    bool open();
    bool isOpen() const { return context_ != nullptr; }
    const std::string& error() const { return error_; }

    // The device record of type 1 (OpenCL) with the native handles in the
    // library's order: context, device, queue, platform, reserved (null).
    DeviceRecord record() const;

    void* context() const { return context_; }
    void* device() const { return device_; }
    void* queue() const { return queue_; }
    void* platform() const { return platform_; }

  private:
    void* platform_ = nullptr;  // cl_platform_id
    void* device_ = nullptr;    // cl_device_id
    void* context_ = nullptr;   // cl_context
    void* queue_ = nullptr;     // cl_command_queue
    std::string error_;
};

// One 8-bit BGRA GPU frame: a 2D image of the device's context over page-aligned
// host memory (rows `stride` bytes apart), registered in the GPU Device Suite's
// frame table under its own handle while it lives.
class OpenCLFrame {
  public:
    // `stride` 0 means width * 4. `value` is what GetFrameValue answers.
    OpenCLFrame(OpenCLDevice& device, GPUDeviceSuite& suite, int width, int height, int stride = 0,
                std::int32_t value = 0);
    ~OpenCLFrame();
    OpenCLFrame(const OpenCLFrame&) = delete;
    OpenCLFrame& operator=(const OpenCLFrame&) = delete;

    bool isValid() const { return image_ != nullptr; }
    const std::string& error() const { return error_; }

    // The frame the render context hands the plugin: its GPU handle is this
    // object's handle, its host pointer the pixels under the image.
    Frame& frame() { return *frame_; }
    void* image() const { return image_; }  // cl_mem
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }

    // Copies pixels (rows `pitch` bytes apart) into the image, or out of it;
    // both wait until the copy is done. False when the device refuses.
    bool write(const std::uint8_t* pixels, int pitch);
    bool read(std::uint8_t* pixels, int pitch) const;

  private:
    OpenCLDevice& device_;
    GPUDeviceSuite& suite_;
    int width_, height_, stride_;
    void* image_ = nullptr;  // cl_mem
    std::uint8_t* host_ = nullptr;
    std::unique_ptr<Frame> frame_;
    std::string error_;
};

}  // namespace qlxhost
