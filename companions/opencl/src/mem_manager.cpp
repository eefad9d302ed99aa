// Makes, wraps, reclaims and deletes memory objects.
#include <algorithm>

#include "impl.h"
#include "log.h"
#include "mem_query.h"

namespace OPENCL {

using krcl::kError;
using krcl::logf;

namespace {

// Wrappers kept for host images; a host rarely cycles through more frames.
constexpr std::size_t kMaxAttached = 64;

krcl::SessionPtr requireSession(krcl::SessionSlot* slot, const char* operation) {
    krcl::SessionPtr session = slot->get();
    if (session == nullptr) logf(kError, "%s: no OpenCL context is registered", operation);
    return session;
}

std::unique_ptr<openclMemory> wrap(krcl::SessionPtr session, cl_mem mem, MemoryType type) {
    auto impl = std::make_unique<openclMemory::Impl>();
    impl->session = std::move(session);
    impl->mem = mem;
    impl->type = type;
    return std::make_unique<openclMemory>(std::move(impl));
}

}  // namespace

void openclMemManager::Impl::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    attachedByHandle.clear();
    owned.clear();
}

openclMemManager::openclMemManager(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
openclMemManager::~openclMemManager() = default;

bool openclMemManager::createOpenCLMem(MemoryType type, std::uint32_t byteCount,
                                       const void* hostData, openclMemory** out) {
    if (out == nullptr) {
        logf(kError, "createOpenCLMem: no place for the result");
        return false;
    }
    *out = nullptr;
    if (type != Buffer || byteCount == 0) {
        logf(kError, "createOpenCLMem: a buffer needs type 0x%X and a byte count (got 0x%X, %u)",
             static_cast<unsigned>(Buffer), static_cast<unsigned>(type), byteCount);
        return false;
    }
    krcl::SessionPtr session = requireSession(impl_->slot, "createOpenCLMem");
    if (session == nullptr) return false;
    const cl_mem_flags flags = CL_MEM_READ_WRITE | (hostData != nullptr ? CL_MEM_COPY_HOST_PTR : 0);
    cl_int result = CL_SUCCESS;
    cl_mem mem = clCreateBuffer(session->context, flags, byteCount,
                                const_cast<void*>(hostData),  // copied, never written
                                &result);
    if (result != CL_SUCCESS) {
        logf(kError, "createOpenCLMem: a buffer of %u bytes failed (%s)", byteCount,
             krcl::clErrorName(result));
        return false;
    }
    std::unique_ptr<openclMemory> memory = wrap(std::move(session), mem, Buffer);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    *out = memory.get();
    impl_->owned.emplace(memory.get(), std::move(memory));
    return true;
}

bool openclMemManager::createOpenCLMem(MemoryType type, _image_format format, std::uint32_t width,
                                       std::uint32_t height, std::uint32_t depth,
                                       const void* hostPixels, std::size_t rowPitch,
                                       openclMemory** out) {
    if (out == nullptr) {
        logf(kError, "createOpenCLMem: no place for the result");
        return false;
    }
    *out = nullptr;
    if (type != Image2D || width == 0 || height == 0 || depth > 1) {
        logf(kError, "createOpenCLMem: a 2D image needs type 0x%X and a size (got 0x%X, %ux%ux%u)",
             static_cast<unsigned>(Image2D), static_cast<unsigned>(type), width, height, depth);
        return false;
    }
    krcl::SessionPtr session = requireSession(impl_->slot, "createOpenCLMem");
    if (session == nullptr) return false;
    const cl_image_format clFormat = {format.channelOrder, format.channelType};
    cl_image_desc desc = {};
    desc.image_type = CL_MEM_OBJECT_IMAGE2D;
    desc.image_width = width;
    desc.image_height = height;
    desc.image_row_pitch = hostPixels != nullptr ? rowPitch : 0;
    const cl_mem_flags flags =
        CL_MEM_READ_WRITE | (hostPixels != nullptr ? CL_MEM_COPY_HOST_PTR : 0);
    cl_int result = CL_SUCCESS;
    cl_mem mem = clCreateImage(session->context, flags, &clFormat, &desc,
                               const_cast<void*>(hostPixels),  // copied, never written
                               &result);
    if (result != CL_SUCCESS) {
        logf(kError, "createOpenCLMem: a %ux%u image (order 0x%X, type 0x%X) failed (%s)", width,
             height, format.channelOrder, format.channelType, krcl::clErrorName(result));
        return false;
    }
    std::unique_ptr<openclMemory> memory = wrap(std::move(session), mem, Image2D);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    *out = memory.get();
    impl_->owned.emplace(memory.get(), std::move(memory));
    return true;
}

namespace {

// A host image the host itself no longer holds is ours alone: reclaim it.
bool onlyWeHoldIt(const openclMemory& memory) {
    return krcl::memReferenceCount(static_cast<cl_mem>(memory.nativeHandle())) <= 1;
}

bool checkHostImage(cl_mem mem, const krcl::Session& session, std::uint32_t width,
                    std::uint32_t height) {
    krcl::ImageShape shape;
    if (!krcl::queryImage(mem, &shape)) {
        logf(kError, "AttachOpenCLMem: the handle is not an OpenCL 2D image");
        return false;
    }
    if (krcl::memContext(mem) != session.context) {
        logf(kError, "AttachOpenCLMem: the image belongs to another OpenCL context");
        return false;
    }
    if (width > shape.width || height > shape.height) {
        logf(kError, "AttachOpenCLMem: %ux%u asked of a %zux%zu image", width, height, shape.width,
             shape.height);
        return false;
    }
    return true;
}

void setCompanion(openclMemory::Impl& impl, cl_mem companion) {
    if (companion == impl.companion) return;
    if (companion != nullptr) clRetainMemObject(companion);
    if (impl.companion != nullptr) clReleaseMemObject(impl.companion);
    impl.companion = companion;
}

// Drops wrappers of host images the host has released, then the least
// recently attached ones beyond the limit; `keep` always stays. The caller
// holds the manager's mutex.
void reclaimAttached(openclMemManager::Impl& manager, const openclMemory* keep) {
    std::vector<openclMemory*> byAge;
    for (auto& [handle, memory] : manager.attachedByHandle) byAge.push_back(memory);
    std::sort(byAge.begin(), byAge.end(), [](const openclMemory* a, const openclMemory* b) {
        return a->impl().lastAttach < b->impl().lastAttach;
    });
    std::size_t remaining = byAge.size();
    for (openclMemory* memory : byAge) {
        if (memory == keep) continue;
        if (remaining <= kMaxAttached && !onlyWeHoldIt(*memory)) continue;
        manager.attachedByHandle.erase(memory->impl().mem);
        manager.owned.erase(memory);
        --remaining;
    }
}

}  // namespace

bool openclMemManager::AttachOpenCLMem(void* nativeMem, MemoryType type, _image_format format,
                                       std::uint32_t width, std::uint32_t height,
                                       void* secondNativeHandle, std::int32_t frameValue,
                                       openclMemory** out) {
    (void)format;  // the host image keeps the format it was made with
    if (out == nullptr) {
        logf(kError, "AttachOpenCLMem: no place for the result");
        return false;
    }
    *out = nullptr;
    if (nativeMem == nullptr || type != Image2D) {
        logf(kError, "AttachOpenCLMem: needs a cl_mem image handle and type 0x%X (got %p, 0x%X)",
             static_cast<unsigned>(Image2D), nativeMem, static_cast<unsigned>(type));
        return false;
    }
    krcl::SessionPtr session = requireSession(impl_->slot, "AttachOpenCLMem");
    if (session == nullptr) return false;
    cl_mem mem = static_cast<cl_mem>(nativeMem);
    if (!checkHostImage(mem, *session, width, height)) return false;

    std::lock_guard<std::mutex> lock(impl_->mutex);
    openclMemory* memory = nullptr;
    auto known = impl_->attachedByHandle.find(mem);
    if (known != impl_->attachedByHandle.end()) {
        memory = known->second;
    } else {
        clRetainMemObject(mem);
        std::unique_ptr<openclMemory> made = wrap(session, mem, Image2D);
        made->impl().attached = true;
        memory = made.get();
        impl_->owned.emplace(memory, std::move(made));
        impl_->attachedByHandle.emplace(mem, memory);
    }
    memory->impl().lastAttach = ++impl_->attachTick;
    memory->impl().frameValue = frameValue;
    setCompanion(memory->impl(), static_cast<cl_mem>(secondNativeHandle));
    reclaimAttached(*impl_, memory);
    *out = memory;
    return true;
}

bool openclMemManager::deleteOpenCLMem(openclMemory* memory, bool finishFirst) {
    if (memory == nullptr) return true;
    std::unique_ptr<openclMemory> doomed;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        auto found = impl_->owned.find(memory);
        if (found == impl_->owned.end()) {
            logf(kError, "deleteOpenCLMem: %p is not a memory object of this library",
                 static_cast<void*>(memory));
            return false;
        }
        doomed = std::move(found->second);
        impl_->owned.erase(found);
        if (doomed->impl().attached) impl_->attachedByHandle.erase(doomed->impl().mem);
    }
    if (finishFirst) clFinish(doomed->impl().session->queue);
    return true;
}

bool openclMemManager::holds(const openclMemory* memory) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return memory != nullptr && impl_->owned.count(memory) != 0;
}

std::size_t openclMemManager::attachedCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->attachedByHandle.size();
}

}  // namespace OPENCL
