// The inner state behind the public classes; shared by their sources only.
#pragma once

#include <CL/cl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "KRPlatformOpenCL.h"
#include "session.h"

namespace OPENCL {

struct openclMemory::Impl {
    krcl::SessionPtr session;
    cl_mem mem = nullptr;
    cl_mem companion = nullptr;  // an attached frame's second handle
    MemoryType type = Buffer;
    bool attached = false;
    std::int32_t frameValue = 0;
    std::uint64_t lastAttach = 0;  // orders attached wrappers, oldest first

    std::mutex mappingsMutex;
    std::vector<void*> mappings;  // addresses lockMemory handed out

    ~Impl();
};

struct openclMemManager::Impl {
    krcl::SessionSlot* slot = nullptr;
    mutable std::mutex mutex;
    std::unordered_map<const openclMemory*, std::unique_ptr<openclMemory>> owned;
    std::unordered_map<cl_mem, openclMemory*> attachedByHandle;
    std::uint64_t attachTick = 0;

    void clear();
};

struct openclKernel::Impl {
    krcl::SessionPtr session;
    cl_kernel kernel = nullptr;
    std::string name;
    openclMemManager* memManager = nullptr;

    ~Impl();
};

struct openclProgram::Impl {
    krcl::SessionSlot* slot = nullptr;
    openclMemManager* memManager = nullptr;
    std::string name;

    mutable std::mutex mutex;
    krcl::SessionPtr session;  // the one it was built for
    cl_program program = nullptr;
    std::string builtFrom;  // what loadProgram read: "file:" + path or "text:" + text
    std::string buildLog;
    std::vector<std::unique_ptr<openclKernel>> kernels;

    ~Impl();
};

struct openclProgramManager::Impl {
    krcl::SessionSlot* slot = nullptr;
    openclMemManager* memManager = nullptr;
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<openclProgram>> programs;

    void clear();
};

}  // namespace OPENCL
