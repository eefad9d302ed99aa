// A real OpenCL context on the first platform (POCL here), the library's
// manager registered on it, and the lines the library logs.
#pragma once

#include <CL/cl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "KRPlatformOpenCL.h"

namespace krcl_test {

inline std::mutex gLogMutex;
inline std::vector<std::pair<int, std::string>> gLog;

inline void captureLog(int level, const char* text) {
    std::lock_guard<std::mutex> lock(gLogMutex);
    gLog.emplace_back(level, text);
}
// True when some line at `level` contains `part`.
inline bool logged(int level, const std::string& part) {
    std::lock_guard<std::mutex> lock(gLogMutex);
    for (const auto& [lineLevel, text] : gLog)
        if (lineLevel == level && text.find(part) != std::string::npos) return true;
    return false;
}

// What an editor would make and lend.
struct NativeContext {
    cl_platform_id platform = nullptr;
    cl_device_id device = nullptr;
    cl_context context = nullptr;
    cl_command_queue queue = nullptr;
    NativeContext() {
        clGetPlatformIDs(1, &platform, nullptr);
        clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, nullptr);
        context = clCreateContext(nullptr, 1, &device, nullptr, nullptr, nullptr);
        queue = context ? clCreateCommandQueue(context, device, 0, nullptr) : nullptr;
    }
    ~NativeContext() {
        if (queue) clReleaseCommandQueue(queue);
        if (context) clReleaseContext(context);
    }
};

// Writes `contents` to a scratch file named after the running test.
inline std::string writeScratchFile(const std::string& name, const std::string& contents) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string path = std::string(KRCL_TEST_SCRATCH) + "/" + test->test_suite_name() + "." +
                       test->name() + "." + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
    return path;
}

constexpr OPENCL::_image_format kBgra8 = {CL_BGRA, CL_UNORM_INT8};

inline const char* const kAddToEachSource = R"CL(
__kernel void addToEach(__global int* values, int amount, int count) {
    int i = get_global_id(0);
    if (i < count) values[i] += amount;
}
)CL";

// Runs addToEach(+amount) of `program` over {0, 1, ..., count-1}; empty when a step fails.
inline std::vector<int> addToEach(OPENCL::openclMemManager* memory, OPENCL::openclProgram* program,
                                  int amount, int count) {
    std::vector<int> values(count);
    for (int i = 0; i < count; ++i) values[i] = i;
    OPENCL::openclMemory* buffer = nullptr;
    OPENCL::openclKernel* kernel = program->getopenclKernel("addToEach");
    std::size_t pitch = 0;
    void* mapped = nullptr;
    const bool ran = kernel &&
                     memory->createOpenCLMem(OPENCL::Buffer, count * 4, values.data(), &buffer) &&
                     kernel->setKernelParameters(0, OPENCL::Memory, buffer, sizeof buffer) &&
                     kernel->setKernelParameters(1, OPENCL::Int32, &amount, 4) &&
                     kernel->setKernelParameters(2, OPENCL::Int32, &count, 4) &&
                     program->runProgramKernel(kernel, count, 1, 1, true) &&
                     (mapped = buffer->lockMemory(true, &pitch, 0, 0, 0, 0, 0, 0, 0, true));
    if (!ran) return {};
    std::memcpy(values.data(), mapped, count * 4);
    buffer->unlockMemory(mapped);
    return values;
}

class OpenCLTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(native_.queue, nullptr) << "no OpenCL device (is POCL_CACHE_DIR set?)";
        OpenCLManager::SetLogCallback(captureLog);
        ASSERT_TRUE(OpenCLManager::Create()->RegisterOpenclContext(
            native_.context, native_.device, native_.queue, nullptr, native_.platform));
        memory_ = OpenCLManager::GetIns()->GetOpenclMemManager();
        programs_ = OpenCLManager::GetIns()->GetOpenclProgramManager();
        gLog.clear();
    }
    void TearDown() override {
        OpenCLManager::Release();
        OpenCLManager::SetLogCallback(nullptr);
    }
    // Builds `source` as program `name` from a scratch file; null on failure.
    OPENCL::openclProgram* buildProgram(const char* name, const std::string& source) {
        const std::string path = writeScratchFile(std::string(name) + ".cl", source);
        OPENCL::openclProgram* program = programs_->createOpenCLProgram(name);
        return program && program->loadProgram(path.c_str(), nullptr, 0, 0, 0) ? program : nullptr;
    }

    NativeContext native_;
    OPENCL::openclMemManager* memory_ = nullptr;
    OPENCL::openclProgramManager* programs_ = nullptr;
};

}  // namespace krcl_test
