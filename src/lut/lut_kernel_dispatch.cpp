// Picks the row kernel at run time from the CPU's features, so the library
// runs on any x86-64 CPU and uses the widest vectors the CPU has.
#include <atomic>
#include <initializer_list>

#include "lut/lut_kernel.h"

namespace qlx {

namespace {

std::atomic<LutKernelKind> kernelOverride{LutKernelKind::Automatic};

bool cpuHas(LutKernelKind kind) {
#if defined(QLX_VECTOR_KERNELS)
    switch (kind) {
        case LutKernelKind::Sse41:
            return __builtin_cpu_supports("sse4.1");
        case LutKernelKind::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case LutKernelKind::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
        default:
            break;
    }
#endif
    return kind == LutKernelKind::Scalar;
}

LutKernelKind bestKernel() {
    static const LutKernelKind best = [] {
        for (LutKernelKind kind :
             {LutKernelKind::Avx512, LutKernelKind::Avx2, LutKernelKind::Sse41}) {
            if (cpuHas(kind)) return kind;
        }
        return LutKernelKind::Scalar;
    }();
    return best;
}

}  // namespace

void setLutKernelOverride(LutKernelKind kind) {
    kernelOverride.store(kind);
}

bool lutKernelSupported(LutKernelKind kind) {
    return kind == LutKernelKind::Automatic || cpuHas(kind);
}

LutKernelKind activeLutKernel() {
    const LutKernelKind forced = kernelOverride.load(std::memory_order_relaxed);
    if (forced == LutKernelKind::Automatic) return bestKernel();
    return cpuHas(forced) ? forced : LutKernelKind::Scalar;
}

LutVectorRow lutVectorRow(LutKernelKind kind) {
#if defined(QLX_VECTOR_KERNELS)
    if (!cpuHas(kind)) return nullptr;
    switch (kind) {
        case LutKernelKind::Sse41:
            return mapLutRowSse41;
        case LutKernelKind::Avx2:
            return mapLutRowAvx2;
        case LutKernelKind::Avx512:
            return mapLutRowAvx512;
        default:
            break;
    }
#else
    (void)kind;
#endif
    return nullptr;
}

const char* lutKernelName(LutKernelKind kind) {
    switch (kind) {
        case LutKernelKind::Automatic:
            return "automatic";
        case LutKernelKind::Scalar:
            return "scalar";
        case LutKernelKind::Sse41:
            return "sse4.1";
        case LutKernelKind::Avx2:
            return "avx2";
        case LutKernelKind::Avx512:
            return "avx512";
    }
    return "unknown";
}

void mapLutRow(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst, int width,
               int channels) {
    int done = 0;
    if (channels == 4 && params.vectorRow != nullptr) {
        done = params.vectorRow(params, src, dst, width);
    }
    const int offset = done * channels;
    mapLutRowScalar(params, src + offset, dst + offset, width - done, channels);
}

}  // namespace qlx
