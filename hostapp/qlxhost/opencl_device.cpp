#define CL_TARGET_OPENCL_VERSION 120
#include "opencl_device.h"

#include <CL/cl.h>

#include <vector>

namespace qlxhost::cli {
namespace {

cl_context context(void* p) {
    return static_cast<cl_context>(p);
}
cl_command_queue queue(void* p) {
    return static_cast<cl_command_queue>(p);
}

// GPUs first, then every other kind, over all platforms.
bool firstDevice(cl_platform_id* platform, cl_device_id* device) {
    cl_uint count = 0;
    if (clGetPlatformIDs(0, nullptr, &count) != CL_SUCCESS || count == 0) return false;
    std::vector<cl_platform_id> platforms(count);
    clGetPlatformIDs(count, platforms.data(), nullptr);
    for (cl_device_type type :
         {cl_device_type(CL_DEVICE_TYPE_GPU), cl_device_type(CL_DEVICE_TYPE_ALL)}) {
        for (cl_platform_id p : platforms) {
            if (clGetDeviceIDs(p, type, 1, device, nullptr) == CL_SUCCESS) {
                *platform = p;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<OpenCLDevice> OpenCLDevice::open(std::string* error) {
    cl_platform_id platform = nullptr;
    cl_device_id device = nullptr;
    if (!firstDevice(&platform, &device)) {
        if (error) *error = "the system offers no OpenCL device";
        return nullptr;
    }
    cl_int status = CL_SUCCESS;
    const cl_context_properties properties[] = {
        CL_CONTEXT_PLATFORM, reinterpret_cast<cl_context_properties>(platform), 0};
    cl_context made = clCreateContext(properties, 1, &device, nullptr, nullptr, &status);
    if (!made) {
        if (error)
            *error = "cannot create an OpenCL context (error " + std::to_string(status) + ")";
        return nullptr;
    }
    cl_command_queue commands = clCreateCommandQueue(made, device, 0, &status);
    if (!commands) {
        clReleaseContext(made);
        if (error) *error = "cannot create an OpenCL queue (error " + std::to_string(status) + ")";
        return nullptr;
    }
    std::unique_ptr<OpenCLDevice> opened(new OpenCLDevice());
    opened->platform_ = platform;
    opened->device_ = device;
    opened->context_ = made;
    opened->queue_ = commands;
    char name[256] = {};
    clGetDeviceInfo(device, CL_DEVICE_NAME, sizeof name - 1, name, nullptr);
    opened->name_ = name;
    return opened;
}

OpenCLDevice::~OpenCLDevice() {
    if (queue_) clReleaseCommandQueue(queue(queue_));
    if (context_) clReleaseContext(context(context_));
}

DeviceRecord OpenCLDevice::record() const {
    DeviceRecord record;
    record.type = kQLXGPUDeviceTypeOpenCL;
    record.handles[0] = context_;
    record.handles[1] = device_;
    record.handles[2] = queue_;
    record.handles[3] = platform_;
    return record;
}

std::unique_ptr<OpenCLFrame> OpenCLDevice::makeFrame(GPUDeviceSuite& suite, int width, int height) {
    const cl_image_format format{CL_BGRA, CL_UNORM_INT8};
    cl_image_desc description{};
    description.image_type = CL_MEM_OBJECT_IMAGE2D;
    description.image_width = static_cast<std::size_t>(width);
    description.image_height = static_cast<std::size_t>(height);
    cl_int status = CL_SUCCESS;
    cl_mem image = clCreateImage(context(context_), CL_MEM_READ_WRITE, &format, &description,
                                 nullptr, &status);
    if (!image) return nullptr;
    std::unique_ptr<OpenCLFrame> frame(new OpenCLFrame(*this, suite));
    frame->image_ = image;
    frame->width_ = width, frame->height_ = height;
    frame->frame_ = Frame::gpu(image, width, height, width * 4);
    suite.frames[image] = {image, nullptr, 0};
    return frame;
}

OpenCLFrame::~OpenCLFrame() {
    suite_.frames.erase(image_);
    clReleaseMemObject(static_cast<cl_mem>(image_));
}

bool OpenCLFrame::upload(const void* pixels, int stride) {
    const std::size_t origin[3] = {0, 0, 0};
    const std::size_t region[3] = {static_cast<std::size_t>(width_),
                                   static_cast<std::size_t>(height_), 1};
    return clEnqueueWriteImage(queue(device_.queue_), static_cast<cl_mem>(image_), CL_TRUE, origin,
                               region, static_cast<std::size_t>(stride), 0, pixels, 0, nullptr,
                               nullptr) == CL_SUCCESS;
}

bool OpenCLFrame::download(void* pixels, int stride) {
    const std::size_t origin[3] = {0, 0, 0};
    const std::size_t region[3] = {static_cast<std::size_t>(width_),
                                   static_cast<std::size_t>(height_), 1};
    return clEnqueueReadImage(queue(device_.queue_), static_cast<cl_mem>(image_), CL_TRUE, origin,
                              region, static_cast<std::size_t>(stride), 0, pixels, 0, nullptr,
                              nullptr) == CL_SUCCESS;
}

}  // namespace qlxhost::cli
