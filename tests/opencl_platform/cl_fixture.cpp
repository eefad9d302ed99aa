#include "cl_fixture.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

namespace krcl_test {
namespace {

std::mutex gLogMutex;
std::vector<LogLine> gLog;

void captureLog(int level, const char* text) {
    std::lock_guard<std::mutex> lock(gLogMutex);
    gLog.push_back({level, text});
}

}  // namespace

const char* const kInvertSource = R"CL(
__kernel void invert(__read_only image2d_t src, __write_only image2d_t dst) {
    int2 at = (int2)(get_global_id(0), get_global_id(1));
    float4 p = read_imagef(src, at);
    write_imagef(dst, at, (float4)(1.0f) - p);
}
)CL";

const char* const kAddToEachSource = R"CL(
__kernel void addToEach(__global int* values, int amount, int count) {
    int i = get_global_id(0);
    if (i < count) values[i] += amount;
}
)CL";

std::vector<LogLine> loggedLines() {
    std::lock_guard<std::mutex> lock(gLogMutex);
    return gLog;
}

void clearLog() {
    std::lock_guard<std::mutex> lock(gLogMutex);
    gLog.clear();
}

bool logged(int level, const std::string& part) {
    for (const LogLine& line : loggedLines()) {
        if (line.level == level && line.text.find(part) != std::string::npos) return true;
    }
    return false;
}

bool NativeContext::open() {
    cl_uint count = 0;
    if (clGetPlatformIDs(1, &platform, &count) != CL_SUCCESS || count == 0) return false;
    if (clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, nullptr) != CL_SUCCESS) {
        return false;
    }
    cl_int result = CL_SUCCESS;
    context = clCreateContext(nullptr, 1, &device, nullptr, nullptr, &result);
    if (result != CL_SUCCESS) return false;
    queue = clCreateCommandQueue(context, device, 0, &result);
    return result == CL_SUCCESS;
}

void NativeContext::close() {
    if (queue != nullptr) clReleaseCommandQueue(queue);
    if (context != nullptr) clReleaseContext(context);
    queue = nullptr;
    context = nullptr;
}

std::string writeScratchFile(const std::string& name, const std::string& contents) {
    // Tests may run side by side: each writes under its own name.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string prefix = std::string(test->test_suite_name()) + "." + test->name() + ".";
    for (char& c : prefix) {
        if (c == '/') c = '_';
    }
    const std::string path = std::string(KRCL_TEST_SCRATCH) + "/" + prefix + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
    return path;
}

HostPixels::HostPixels(size_t bytes, std::uint8_t fill)
    : data(static_cast<std::uint8_t*>(std::aligned_alloc(4096, (bytes + 4095) / 4096 * 4096))),
      size(bytes) {
    std::memset(data, fill, bytes);
}

HostPixels::~HostPixels() {
    std::free(data);
}

void OpenCLTest::SetUp() {
    ASSERT_TRUE(native_.open()) << "no OpenCL device (is POCL_CACHE_DIR set?)";
    OpenCLManager::SetLogCallback(captureLog);
    clearLog();
    manager_ = OpenCLManager::Create();
    ASSERT_TRUE(manager_->RegisterOpenclContext(native_.context, native_.device, native_.queue,
                                                nullptr, native_.platform));
    memory_ = manager_->GetOpenclMemManager();
    programs_ = manager_->GetOpenclProgramManager();
    clearLog();
}

void OpenCLTest::TearDown() {
    OpenCLManager::Release();
    OpenCLManager::SetLogCallback(nullptr);
    native_.close();
}

cl_mem OpenCLTest::hostImage(HostPixels& pixels, size_t width, size_t height, size_t rowPitch) {
    const cl_image_format format = {CL_BGRA, CL_UNORM_INT8};
    cl_image_desc desc = {};
    desc.image_type = CL_MEM_OBJECT_IMAGE2D;
    desc.image_width = width;
    desc.image_height = height;
    desc.image_row_pitch = rowPitch;
    cl_int result = CL_SUCCESS;
    cl_mem image = clCreateImage(native_.context, CL_MEM_READ_WRITE | CL_MEM_USE_HOST_PTR, &format,
                                 &desc, pixels.data, &result);
    EXPECT_EQ(result, CL_SUCCESS);
    return image;
}

OPENCL::openclProgram* OpenCLTest::buildProgram(const char* name, const std::string& source) {
    const std::string path = writeScratchFile(std::string(name) + ".cl", source);
    OPENCL::openclProgram* program = programs_->createOpenCLProgram(name);
    if (program == nullptr || !program->loadProgram(path.c_str(), nullptr, 0, 0, 0)) {
        return nullptr;
    }
    return program;
}

std::vector<int> addToEach(OPENCL::openclMemManager* memory, OPENCL::openclProgram* program,
                           int amount, int count) {
    std::vector<int> values(count);
    for (int i = 0; i < count; ++i) values[i] = i;
    OPENCL::openclMemory* buffer = nullptr;
    OPENCL::openclKernel* kernel = program->getopenclKernel("addToEach");
    if (kernel == nullptr ||
        !memory->createOpenCLMem(OPENCL::Buffer, count * sizeof(int), values.data(), &buffer) ||
        !kernel->setKernelParameters(0, OPENCL::Memory, buffer, sizeof buffer) ||
        !kernel->setKernelParameters(1, OPENCL::Int32, &amount, sizeof amount) ||
        !kernel->setKernelParameters(2, OPENCL::Int32, &count, sizeof count) ||
        !program->runProgramKernel(kernel, count, 1, 1, true)) {
        return {};
    }
    size_t pitch = 0;
    auto* mapped = static_cast<int*>(buffer->lockMemory(true, &pitch, 0, 0, 0, 0, 0, 0, 0, true));
    if (mapped == nullptr) return {};
    std::vector<int> result(mapped, mapped + count);
    buffer->unlockMemory(mapped);
    memory->deleteOpenCLMem(buffer, false);
    program->deleteKernel(kernel);
    return result;
}

}  // namespace krcl_test
