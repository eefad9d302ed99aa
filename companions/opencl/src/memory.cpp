// One buffer or 2D image: copies, description, mapping.
#include <algorithm>

#include "impl.h"
#include "log.h"
#include "mem_query.h"

namespace OPENCL {

using krcl::kError;
using krcl::logf;

openclMemory::Impl::~Impl() {
    if (mem != nullptr && !mappings.empty() && session != nullptr) {
        for (void* address : mappings) {
            cl_event done = nullptr;
            if (clEnqueueUnmapMemObject(session->queue, mem, address, 0, nullptr, &done) ==
                CL_SUCCESS) {
                krcl::waitAndRelease(done);
            }
        }
    }
    if (mem != nullptr) clReleaseMemObject(mem);
    if (companion != nullptr) clReleaseMemObject(companion);
}

openclMemory::openclMemory(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
openclMemory::~openclMemory() = default;

void* openclMemory::nativeHandle() const {
    return impl_->mem;
}
bool openclMemory::isAttached() const {
    return impl_->attached;
}

namespace {

bool copyImage(cl_command_queue queue, cl_mem src, cl_mem dst, cl_event* done) {
    krcl::ImageShape from, to;
    if (!krcl::queryImage(src, &from) || !krcl::queryImage(dst, &to)) return false;
    if (from.width != to.width || from.height != to.height) {
        logf(kError, "copyToMemory: images differ in size (%zux%zu to %zux%zu)", from.width,
             from.height, to.width, to.height);
        return false;
    }
    if (!krcl::sameFormat(from.format, to.format)) {
        logf(kError, "copyToMemory: images differ in format");
        return false;
    }
    const size_t origin[3] = {0, 0, 0};
    const size_t region[3] = {from.width, from.height, 1};
    const cl_int result =
        clEnqueueCopyImage(queue, src, dst, origin, origin, region, 0, nullptr, done);
    if (result != CL_SUCCESS) {
        logf(kError, "copyToMemory: image copy failed (%s)", krcl::clErrorName(result));
        return false;
    }
    return true;
}

bool copyBuffer(cl_command_queue queue, cl_mem src, cl_mem dst, cl_event* done) {
    const size_t fromSize = krcl::memSize(src);
    const size_t toSize = krcl::memSize(dst);
    if (toSize < fromSize) {
        logf(kError, "copyToMemory: destination buffer of %zu bytes is smaller than %zu", toSize,
             fromSize);
        return false;
    }
    const cl_int result = clEnqueueCopyBuffer(queue, src, dst, 0, 0, fromSize, 0, nullptr, done);
    if (result != CL_SUCCESS) {
        logf(kError, "copyToMemory: buffer copy failed (%s)", krcl::clErrorName(result));
        return false;
    }
    return true;
}

}  // namespace

bool openclMemory::copyToMemory(openclMemory* dst, bool blocking, void* queue) {
    if (dst == nullptr) {
        logf(kError, "copyToMemory: null destination memory object");
        return false;
    }
    if (dst->impl_->session->context != impl_->session->context) {
        logf(kError, "copyToMemory: the objects belong to different OpenCL contexts");
        return false;
    }
    if (dst->impl_->type != impl_->type) {
        logf(kError, "copyToMemory: cannot copy between a buffer and an image");
        return false;
    }
    cl_command_queue useQueue =
        queue != nullptr ? static_cast<cl_command_queue>(queue) : impl_->session->queue;
    cl_event done = nullptr;
    const bool queued = impl_->type == Image2D
                            ? copyImage(useQueue, impl_->mem, dst->impl_->mem, &done)
                            : copyBuffer(useQueue, impl_->mem, dst->impl_->mem, &done);
    if (!queued) return false;
    if (!blocking) {
        clReleaseEvent(done);
        clFlush(useQueue);
        return true;
    }
    if (!krcl::waitAndRelease(done)) {
        logf(kError, "copyToMemory: the copy did not complete");
        return false;
    }
    return true;
}

_ImageDataDesc openclMemory::getOpenCLMemoryInfo() {
    _ImageDataDesc desc;
    desc.pixels = nullptr;
    desc.ownsPixels = false;
    desc.kind = impl_->type;
    desc.byteSize = krcl::memSize(impl_->mem);
    desc.reserved[2] = static_cast<std::uint32_t>(impl_->frameValue);
    if (impl_->type == Buffer) {
        desc.width = static_cast<std::uint32_t>(desc.byteSize);
        desc.height = 1;
        desc.depth = 1;
        desc.reserved[0] = 1;
        desc.reserved[1] = desc.width;
        return desc;
    }
    krcl::ImageShape shape;
    if (!krcl::queryImage(impl_->mem, &shape)) return desc;
    desc.width = static_cast<std::uint32_t>(shape.width);
    desc.height = static_cast<std::uint32_t>(shape.height);
    desc.depth = 1;
    desc.channelOrder = shape.format.image_channel_order;
    desc.channelType = shape.format.image_channel_data_type;
    desc.reserved[0] = static_cast<std::uint32_t>(shape.elementSize);
    desc.reserved[1] = static_cast<std::uint32_t>(shape.rowPitch);
    return desc;
}

namespace {

cl_map_flags mapFlags(int flags, bool read) {
    if ((flags & LockReadWrite) != 0) return CL_MAP_READ | CL_MAP_WRITE;
    return read ? CL_MAP_READ : CL_MAP_WRITE;
}

void* mapImage(cl_command_queue queue, cl_mem mem, bool blocking, cl_map_flags flags,
               const size_t origin[3], size_t region[3], size_t* rowPitch) {
    krcl::ImageShape shape;
    if (!krcl::queryImage(mem, &shape)) return nullptr;
    if (region[0] == 0) region[0] = shape.width - std::min(origin[0], shape.width);
    if (region[1] == 0) region[1] = shape.height - std::min(origin[1], shape.height);
    region[2] = 1;
    if (origin[2] != 0 || origin[0] + region[0] > shape.width ||
        origin[1] + region[1] > shape.height || region[0] == 0 || region[1] == 0) {
        logf(kError, "lockMemory: region (%zu,%zu)+%zux%zu lies outside the %zux%zu image",
             origin[0], origin[1], region[0], region[1], shape.width, shape.height);
        return nullptr;
    }
    size_t slicePitch = 0;
    cl_int result = CL_SUCCESS;
    void* address = clEnqueueMapImage(queue, mem, blocking ? CL_TRUE : CL_FALSE, flags, origin,
                                      region, rowPitch, &slicePitch, 0, nullptr, nullptr, &result);
    if (result != CL_SUCCESS) {
        logf(kError, "lockMemory: mapping the image failed (%s)", krcl::clErrorName(result));
        return nullptr;
    }
    return address;
}

void* mapBuffer(cl_command_queue queue, cl_mem mem, bool blocking, cl_map_flags flags,
                size_t offset, size_t size, size_t* rowPitch) {
    const size_t total = krcl::memSize(mem);
    if (size == 0) size = total - std::min(offset, total);
    if (size == 0 || offset + size > total) {
        logf(kError, "lockMemory: bytes %zu+%zu lie outside the %zu-byte buffer", offset, size,
             total);
        return nullptr;
    }
    cl_int result = CL_SUCCESS;
    void* address = clEnqueueMapBuffer(queue, mem, blocking ? CL_TRUE : CL_FALSE, flags, offset,
                                       size, 0, nullptr, nullptr, &result);
    if (result != CL_SUCCESS) {
        logf(kError, "lockMemory: mapping the buffer failed (%s)", krcl::clErrorName(result));
        return nullptr;
    }
    *rowPitch = size;
    return address;
}

}  // namespace

void* openclMemory::lockMemory(bool blocking, std::size_t* rowPitch, std::size_t ox, std::size_t oy,
                               std::size_t oz, std::size_t w, std::size_t h, std::size_t d,
                               int flags, bool read) {
    (void)d;  // 2D images and buffers only: the depth is always one
    size_t pitch = 0;
    void* address = nullptr;
    if (impl_->type == Image2D) {
        const size_t origin[3] = {ox, oy, oz};
        size_t region[3] = {w, h, 1};
        address = mapImage(impl_->session->queue, impl_->mem, blocking, mapFlags(flags, read),
                           origin, region, &pitch);
    } else {
        address = mapBuffer(impl_->session->queue, impl_->mem, blocking, mapFlags(flags, read), ox,
                            w, &pitch);
    }
    if (address == nullptr) return nullptr;
    {
        std::lock_guard<std::mutex> lock(impl_->mappingsMutex);
        impl_->mappings.push_back(address);
    }
    if (rowPitch != nullptr) *rowPitch = pitch;
    return address;
}

bool openclMemory::unlockMemory(void* address) {
    {
        std::lock_guard<std::mutex> lock(impl_->mappingsMutex);
        auto found = std::find(impl_->mappings.begin(), impl_->mappings.end(), address);
        if (address == nullptr || found == impl_->mappings.end()) {
            logf(kError, "unlockMemory: %p is not a locked address of this memory object", address);
            return false;
        }
        impl_->mappings.erase(found);
    }
    cl_event done = nullptr;
    const cl_int result =
        clEnqueueUnmapMemObject(impl_->session->queue, impl_->mem, address, 0, nullptr, &done);
    if (result != CL_SUCCESS) {
        logf(kError, "unlockMemory: unmapping failed (%s)", krcl::clErrorName(result));
        return false;
    }
    return krcl::waitAndRelease(done);
}

}  // namespace OPENCL
