// One kernel object and its argument values.
#include "impl.h"
#include "log.h"

namespace OPENCL {

using krcl::kError;
using krcl::logf;

openclKernel::Impl::~Impl() {
    if (kernel != nullptr) clReleaseKernel(kernel);
}

openclKernel::openclKernel(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
openclKernel::~openclKernel() = default;

const char* openclKernel::name() const {
    return impl_->name.c_str();
}

namespace {

// Bytes of each scalar kind; 0 for kinds that are not scalars.
std::uint64_t scalarSize(DataType kind) {
    switch (kind) {
        case Int8:
        case UInt8:
            return 1;
        case Int16:
        case UInt16:
            return 2;
        case Int32:
        case UInt32:
        case Float32:
            return 4;
        case Int64:
        case UInt64:
        case Float64:
            return 8;
        default:
            return 0;
    }
}

}  // namespace

bool openclKernel::setKernelParameters(std::int32_t index, DataType kind, void* valueAddress,
                                       std::uint64_t size) {
    const char* kernelName = impl_->name.c_str();
    if (index < 0) {
        logf(kError, "setKernelParameters: kernel %s: negative argument index %d", kernelName,
             index);
        return false;
    }
    cl_int result = CL_SUCCESS;
    if (kind == Memory) {
        auto* memory = static_cast<openclMemory*>(valueAddress);
        if (memory == nullptr) {
            logf(kError, "setKernelParameters: kernel %s argument %d: null memory object",
                 kernelName, index);
            return false;
        }
        if (!impl_->memManager->holds(memory)) {
            logf(kError,
                 "setKernelParameters: kernel %s argument %d: %p is not a memory object "
                 "of this library",
                 kernelName, index, valueAddress);
            return false;
        }
        cl_mem mem = static_cast<cl_mem>(memory->nativeHandle());
        result = clSetKernelArg(impl_->kernel, static_cast<cl_uint>(index), sizeof mem, &mem);
    } else {
        const std::uint64_t expected = scalarSize(kind);
        if (expected == 0 || size != expected || valueAddress == nullptr) {
            logf(kError,
                 "setKernelParameters: kernel %s argument %d: kind %d needs the address "
                 "of a %llu-byte value (got %p, %llu bytes)",
                 kernelName, index, static_cast<int>(kind),
                 static_cast<unsigned long long>(expected), valueAddress,
                 static_cast<unsigned long long>(size));
            return false;
        }
        result = clSetKernelArg(impl_->kernel, static_cast<cl_uint>(index),
                                static_cast<size_t>(size), valueAddress);
    }
    if (result != CL_SUCCESS) {
        logf(kError, "setKernelParameters: kernel %s argument %d refused (%s)", kernelName, index,
             krcl::clErrorName(result));
        return false;
    }
    return true;
}

}  // namespace OPENCL
