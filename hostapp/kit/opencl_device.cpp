#include "kit/opencl_device.h"

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <cstdlib>

namespace qlxhost {

namespace {

// Images over host memory want it page-aligned on some devices.
constexpr std::size_t kHostAlignment = 4096;

std::uint8_t* allocateAligned(std::size_t bytes) {
    const std::size_t rounded = (bytes + kHostAlignment - 1) / kHostAlignment * kHostAlignment;
    return static_cast<std::uint8_t*>(std::aligned_alloc(kHostAlignment, rounded));
}

// The plugin may keep the image alive after the frame is gone (an OpenCL
// library retains what it wraps), so the memory under it is freed only when
// the image itself is destroyed.
void CL_CALLBACK freeHostPixels(cl_mem, void* pixels) {
    std::free(pixels);
}

std::string failure(const char* step, cl_int code) {
    return std::string(step) + " failed (" + std::to_string(code) + ")";
}

}  // namespace

// ---- device ---------------------------------------------------------------

OpenCLDevice::~OpenCLDevice() {
    if (queue_) clReleaseCommandQueue(static_cast<cl_command_queue>(queue_));
    if (context_) clReleaseContext(static_cast<cl_context>(context_));
}

bool OpenCLDevice::open() {
    if (isOpen()) return true;
    cl_platform_id platform = nullptr;
    cl_uint count = 0;
    cl_int code = clGetPlatformIDs(1, &platform, &count);
    if (code != CL_SUCCESS || count == 0) {
        error_ = failure("clGetPlatformIDs", code);
        return false;
    }
    cl_device_id device = nullptr;
    code = clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, nullptr);
    if (code != CL_SUCCESS) {
        error_ = failure("clGetDeviceIDs", code);
        return false;
    }
    cl_context context = clCreateContext(nullptr, 1, &device, nullptr, nullptr, &code);
    if (code != CL_SUCCESS) {
        error_ = failure("clCreateContext", code);
        return false;
    }
    cl_command_queue queue = clCreateCommandQueue(context, device, 0, &code);
    if (code != CL_SUCCESS) {
        clReleaseContext(context);
        error_ = failure("clCreateCommandQueue", code);
        return false;
    }
    platform_ = platform, device_ = device, context_ = context, queue_ = queue;
    return true;
}

DeviceRecord OpenCLDevice::record() const {
    DeviceRecord record;
    record.type = kQLXGPUDeviceTypeOpenCL;
    record.handles[0] = context_;
    record.handles[1] = device_;
    record.handles[2] = queue_;
    record.handles[3] = platform_;
    record.handles[4] = nullptr;
    return record;
}

// ---- frames ---------------------------------------------------------------

OpenCLFrame::OpenCLFrame(OpenCLDevice& device, GPUDeviceSuite& suite, int width, int height,
                         int stride, std::int32_t value)
    : device_(device),
      suite_(suite),
      width_(width),
      height_(height),
      stride_(stride > 0 ? stride : width * 4) {
    if (!device.isOpen() || width <= 0 || height <= 0 || stride_ < width * 4) {
        error_ = "no device or an unusable frame size";
        frame_ = Frame::gpu(this, width, height, stride_);
        return;
    }
    host_ = allocateAligned(static_cast<std::size_t>(stride_) * height);
    const cl_image_format format{CL_BGRA, CL_UNORM_INT8};
    cl_image_desc desc{};
    desc.image_type = CL_MEM_OBJECT_IMAGE2D;
    desc.image_width = static_cast<std::size_t>(width);
    desc.image_height = static_cast<std::size_t>(height);
    desc.image_row_pitch = static_cast<std::size_t>(stride_);
    cl_int code = CL_SUCCESS;
    cl_mem image =
        clCreateImage(static_cast<cl_context>(device.context()),
                      CL_MEM_READ_WRITE | CL_MEM_USE_HOST_PTR, &format, &desc, host_, &code);
    if (code != CL_SUCCESS) {
        error_ = failure("clCreateImage", code);
        image = nullptr;
    }
    if (image && clSetMemObjectDestructorCallback(image, freeHostPixels, host_) == CL_SUCCESS) {
        image_ = image;
        frame_ = Frame::gpu(this, width, height, stride_, host_);
        host_ = nullptr;  // the image owns it now
        suite_.addFrame(this, {image_, nullptr, value});
        return;
    }
    if (image) clReleaseMemObject(image);
    frame_ = Frame::gpu(this, width, height, stride_);
}

OpenCLFrame::~OpenCLFrame() {
    suite_.removeFrame(this);
    if (image_) clReleaseMemObject(static_cast<cl_mem>(image_));
    std::free(host_);
}

bool OpenCLFrame::write(const std::uint8_t* pixels, int pitch) {
    if (!image_ || !pixels || pitch < width_ * 4) return false;
    const std::size_t origin[3] = {0, 0, 0};
    const std::size_t region[3] = {static_cast<std::size_t>(width_),
                                   static_cast<std::size_t>(height_), 1};
    return clEnqueueWriteImage(static_cast<cl_command_queue>(device_.queue()),
                               static_cast<cl_mem>(image_), CL_TRUE, origin, region,
                               static_cast<std::size_t>(pitch), 0, pixels, 0, nullptr,
                               nullptr) == CL_SUCCESS;
}

bool OpenCLFrame::read(std::uint8_t* pixels, int pitch) const {
    if (!image_ || !pixels || pitch < width_ * 4) return false;
    const std::size_t origin[3] = {0, 0, 0};
    const std::size_t region[3] = {static_cast<std::size_t>(width_),
                                   static_cast<std::size_t>(height_), 1};
    return clEnqueueReadImage(static_cast<cl_command_queue>(device_.queue()),
                              static_cast<cl_mem>(image_), CL_TRUE, origin, region,
                              static_cast<std::size_t>(pitch), 0, pixels, 0, nullptr,
                              nullptr) == CL_SUCCESS;
}

}  // namespace qlxhost
