// One named program: loading, building, its kernels and their runs.
#include <algorithm>

#include "impl.h"
#include "log.h"
#include "program_bytes.h"

namespace OPENCL {

using krcl::kError;
using krcl::kWarning;
using krcl::logf;

openclProgram::Impl::~Impl() {
    kernels.clear();
    if (program != nullptr) clReleaseProgram(program);
}

openclProgram::openclProgram(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
openclProgram::~openclProgram() = default;

const char* openclProgram::name() const {
    return impl_->name.c_str();
}

bool openclProgram::isBuilt() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->program != nullptr;
}

const char* openclProgram::buildLog() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->buildLog.c_str();
}

namespace {

// The program as stored: the file's bytes or the given text.
bool readSource(const char* path, const char* text, int loadType, std::string* source) {
    if (loadType == LoadFromText) {
        if (text == nullptr) {
            logf(kError, "loadProgram: load type %d needs a program text", loadType);
            return false;
        }
        *source = text;
        return true;
    }
    if (loadType != LoadFromFile) {
        logf(kError, "loadProgram: unknown load type %d", loadType);
        return false;
    }
    if (path == nullptr || *path == '\0') {
        logf(kError, "loadProgram: no program file path");
        return false;
    }
    if (!qlxcipher::readProgramBytes(path, source)) {
        logf(kError, "loadProgram: cannot read program file %s", path);
        return false;
    }
    return true;
}

bool decipherIfNeeded(const std::string& label, std::int32_t encrypted, std::string* source) {
    if (!isEncipheredProgram(*source)) {
        if (encrypted != 0) {
            logf(kWarning, "loadProgram: %s is marked enciphered but is plain text; read as such",
                 label.c_str());
        }
        return true;
    }
    if (encrypted == 0) {
        logf(kWarning, "loadProgram: %s is enciphered although not marked so; deciphered",
             label.c_str());
    }
    std::string plain;
    if (!decipherProgramText(*source, &plain)) {
        logf(kError, "loadProgram: %s is an enciphered program cut short", label.c_str());
        return false;
    }
    *source = std::move(plain);
    return true;
}

std::string buildLogOf(cl_program program, cl_device_id device) {
    size_t size = 0;
    if (clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size) !=
            CL_SUCCESS ||
        size == 0) {
        return std::string();
    }
    std::string log(size, '\0');
    clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr);
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
    return log;
}

}  // namespace

bool openclProgram::loadProgram(const char* path, const char* text, int loadType, int codeType,
                                std::int32_t encrypted) {
    const std::string label = path != nullptr && *path != '\0' ? path : impl_->name;
    if (codeType != CodeSource) {
        logf(kError, "loadProgram: %s: only OpenCL C source (code type 0) is accepted, not %d",
             label.c_str(), codeType);
        return false;
    }
    std::string source;
    if (!readSource(path, text, loadType, &source)) return false;
    const std::string origin =
        loadType == LoadFromFile ? "file:" + std::string(path) : "text:" + std::string(text);

    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->program != nullptr) {
        if (impl_->builtFrom == origin) return true;
        logf(kError, "loadProgram: program %s is already built from another source",
             impl_->name.c_str());
        return false;
    }
    krcl::SessionPtr session = impl_->slot->get();
    if (session == nullptr) {
        logf(kError, "loadProgram: %s: no OpenCL context is registered", label.c_str());
        return false;
    }
    if (!decipherIfNeeded(label, encrypted, &source)) return false;

    const char* sourceText = source.c_str();
    const size_t sourceLength = source.size();
    cl_int result = CL_SUCCESS;
    cl_program program =
        clCreateProgramWithSource(session->context, 1, &sourceText, &sourceLength, &result);
    if (result != CL_SUCCESS) {
        logf(kError, "loadProgram: %s: cannot make a program (%s)", label.c_str(),
             krcl::clErrorName(result));
        return false;
    }
    result = clBuildProgram(program, 1, &session->device, "", nullptr, nullptr);
    impl_->buildLog = buildLogOf(program, session->device);
    if (result != CL_SUCCESS) {
        logf(kError, "loadProgram: %s: build failed (%s):\n%s", label.c_str(),
             krcl::clErrorName(result), impl_->buildLog.c_str());
        clReleaseProgram(program);
        return false;
    }
    impl_->program = program;
    impl_->session = std::move(session);
    impl_->builtFrom = origin;
    return true;
}

openclKernel* openclProgram::getopenclKernel(const char* name) {
    if (name == nullptr || *name == '\0') {
        logf(kError, "getopenclKernel: no kernel name");
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->program == nullptr) {
        logf(kError, "getopenclKernel: program %s is not built, no kernel %s", impl_->name.c_str(),
             name);
        return nullptr;
    }
    cl_int result = CL_SUCCESS;
    cl_kernel kernel = clCreateKernel(impl_->program, name, &result);
    if (result != CL_SUCCESS) {
        logf(kError, "getopenclKernel: program %s has no kernel %s (%s)", impl_->name.c_str(), name,
             krcl::clErrorName(result));
        return nullptr;
    }
    auto kernelImpl = std::make_unique<openclKernel::Impl>();
    kernelImpl->session = impl_->session;
    kernelImpl->kernel = kernel;
    kernelImpl->name = name;
    kernelImpl->memManager = impl_->memManager;
    impl_->kernels.push_back(std::make_unique<openclKernel>(std::move(kernelImpl)));
    return impl_->kernels.back().get();
}

bool openclProgram::deleteKernel(openclKernel* kernel) {
    if (kernel == nullptr) return true;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto found = std::find_if(impl_->kernels.begin(), impl_->kernels.end(),
                              [kernel](const auto& held) { return held.get() == kernel; });
    if (found == impl_->kernels.end()) {
        logf(kError, "deleteKernel: %p is not a kernel of program %s", static_cast<void*>(kernel),
             impl_->name.c_str());
        return false;
    }
    impl_->kernels.erase(found);
    return true;
}

bool openclProgram::runProgramKernel(openclKernel* kernel, std::size_t width, std::size_t height,
                                     std::size_t depth, bool blocking) {
    krcl::SessionPtr session;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        const bool ours = std::any_of(impl_->kernels.begin(), impl_->kernels.end(),
                                      [kernel](const auto& held) { return held.get() == kernel; });
        if (kernel == nullptr || !ours) {
            logf(kError, "runProgramKernel: %p is not a kernel of program %s",
                 static_cast<void*>(kernel), impl_->name.c_str());
            return false;
        }
        session = impl_->session;
    }
    if (depth == 0) depth = 1;
    if (width == 0 || height == 0) {
        logf(kError, "runProgramKernel: kernel %s: empty work size %zux%zux%zu", kernel->name(),
             width, height, depth);
        return false;
    }
    const size_t global[3] = {width, height, depth};
    const cl_uint dimensions = depth > 1 ? 3 : 2;
    cl_event done = nullptr;
    const cl_int result = clEnqueueNDRangeKernel(session->queue, kernel->impl().kernel, dimensions,
                                                 nullptr, global, nullptr, 0, nullptr, &done);
    if (result != CL_SUCCESS) {
        logf(kError, "runProgramKernel: kernel %s could not start (%s)", kernel->name(),
             krcl::clErrorName(result));
        return false;
    }
    if (!blocking) {
        clReleaseEvent(done);
        clFlush(session->queue);
        return true;
    }
    if (!krcl::waitAndRelease(done)) {
        logf(kError, "runProgramKernel: kernel %s did not complete", kernel->name());
        return false;
    }
    return true;
}

}  // namespace OPENCL
