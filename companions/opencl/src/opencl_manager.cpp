// The process-wide manager: the registered context and the two managers.
#include <mutex>
#include <vector>

#include "impl.h"
#include "log.h"

using krcl::kError;
using krcl::kInfo;
using krcl::kWarning;
using krcl::logf;

struct OpenCLManager::Impl {
    krcl::SessionSlot slot;
    std::mutex registerMutex;
    // Programs go before memory: kernels may still name memory objects.
    std::unique_ptr<OPENCL::openclMemManager> memory;
    std::unique_ptr<OPENCL::openclProgramManager> programs;
};

namespace {

std::mutex gInstanceMutex;
OpenCLManager* gInstance = nullptr;

std::vector<cl_device_id> contextDevices(cl_context context) {
    cl_uint count = 0;
    if (clGetContextInfo(context, CL_CONTEXT_NUM_DEVICES, sizeof count, &count, nullptr) !=
            CL_SUCCESS ||
        count == 0) {
        return {};
    }
    std::vector<cl_device_id> devices(count);
    if (clGetContextInfo(context, CL_CONTEXT_DEVICES, count * sizeof(cl_device_id), devices.data(),
                         nullptr) != CL_SUCCESS) {
        return {};
    }
    return devices;
}

std::string deviceName(cl_device_id device) {
    char name[256] = {};
    clGetDeviceInfo(device, CL_DEVICE_NAME, sizeof name - 1, name, nullptr);
    return name;
}

bool pickDevice(cl_context context, cl_device_id asked, cl_device_id* device) {
    const std::vector<cl_device_id> devices = contextDevices(context);
    if (devices.empty()) {
        logf(kError, "RegisterOpenclContext: the context handle answers no devices");
        return false;
    }
    if (asked == nullptr) {
        *device = devices.front();
        return true;
    }
    for (cl_device_id candidate : devices) {
        if (candidate == asked) {
            *device = asked;
            return true;
        }
    }
    logf(kError, "RegisterOpenclContext: the device handle is not a device of the context");
    return false;
}

cl_platform_id platformOf(cl_device_id device, cl_platform_id asked) {
    cl_platform_id platform = nullptr;
    clGetDeviceInfo(device, CL_DEVICE_PLATFORM, sizeof platform, &platform, nullptr);
    if (asked != nullptr && asked != platform) {
        logf(kWarning,
             "RegisterOpenclContext: the platform handle is not the device's; "
             "the device's platform is used");
    }
    return platform;
}

cl_command_queue useQueue(cl_context context, cl_device_id device, cl_command_queue asked) {
    if (asked == nullptr) {
        cl_int result = CL_SUCCESS;
        cl_command_queue made = clCreateCommandQueue(context, device, 0, &result);
        if (result != CL_SUCCESS) {
            logf(kError, "RegisterOpenclContext: cannot make a command queue (%s)",
                 krcl::clErrorName(result));
            return nullptr;
        }
        return made;
    }
    cl_context queueContext = nullptr;
    clGetCommandQueueInfo(asked, CL_QUEUE_CONTEXT, sizeof queueContext, &queueContext, nullptr);
    if (queueContext != context) {
        logf(kError, "RegisterOpenclContext: the command queue belongs to another context");
        return nullptr;
    }
    clRetainCommandQueue(asked);
    return asked;
}

// Everything of the session, each held once; null when a handle is unusable.
krcl::SessionPtr openSession(cl_context context, cl_device_id askedDevice,
                             cl_command_queue askedQueue, cl_platform_id askedPlatform) {
    cl_device_id device = nullptr;
    if (!pickDevice(context, askedDevice, &device)) return nullptr;
    cl_command_queue queue = useQueue(context, device, askedQueue);
    if (queue == nullptr) return nullptr;
    auto session = std::make_shared<krcl::Session>();
    session->queue = queue;
    clRetainContext(context);
    session->context = context;
    clRetainDevice(device);
    session->device = device;
    session->platform = platformOf(device, askedPlatform);
    return session;
}

}  // namespace

OpenCLManager::OpenCLManager() : impl_(std::make_unique<Impl>()) {
    auto memoryImpl = std::make_unique<OPENCL::openclMemManager::Impl>();
    memoryImpl->slot = &impl_->slot;
    impl_->memory = std::make_unique<OPENCL::openclMemManager>(std::move(memoryImpl));
    auto programsImpl = std::make_unique<OPENCL::openclProgramManager::Impl>();
    programsImpl->slot = &impl_->slot;
    programsImpl->memManager = impl_->memory.get();
    impl_->programs = std::make_unique<OPENCL::openclProgramManager>(std::move(programsImpl));
}

OpenCLManager::~OpenCLManager() {
    impl_->programs.reset();
    impl_->memory.reset();
}

OpenCLManager* OpenCLManager::Create() {
    return GetIns();
}

OpenCLManager* OpenCLManager::GetIns() {
    std::lock_guard<std::mutex> lock(gInstanceMutex);
    if (gInstance == nullptr) gInstance = new OpenCLManager();
    return gInstance;
}

void OpenCLManager::Release() {
    std::lock_guard<std::mutex> lock(gInstanceMutex);
    delete gInstance;
    gInstance = nullptr;
}

void OpenCLManager::SetLogCallback(LogCallback callback) {
    krcl::setLogCallback(callback);
}

bool OpenCLManager::RegisterOpenclContext(void* context, void* device, void* queue, void* reserved,
                                          void* platform) {
    (void)reserved;  // the record's fifth handle carries nothing
    if (context == nullptr) {
        logf(kError, "RegisterOpenclContext: no OpenCL context handle");
        return false;
    }
    std::lock_guard<std::mutex> lock(impl_->registerMutex);
    krcl::SessionPtr session =
        openSession(static_cast<cl_context>(context), static_cast<cl_device_id>(device),
                    static_cast<cl_command_queue>(queue), static_cast<cl_platform_id>(platform));
    if (session == nullptr) return false;
    const krcl::SessionPtr previous = impl_->slot.get();
    if (previous != nullptr &&
        (previous->context != session->context || previous->device != session->device)) {
        impl_->programs->impl().clear();
        impl_->memory->impl().clear();
    }
    impl_->slot.set(session);
    logf(kInfo, "OpenCL context registered on %s", deviceName(session->device).c_str());
    return true;
}

bool OpenCLManager::hasContext() const {
    return impl_->slot.get() != nullptr;
}

OPENCL::openclProgramManager* OpenCLManager::GetOpenclProgramManager() {
    return impl_->programs.get();
}

OPENCL::openclMemManager* OpenCLManager::GetOpenclMemManager() {
    return impl_->memory.get();
}
