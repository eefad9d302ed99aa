#include "render/cpu/strength_blend.h"

#include <xmmintrin.h>

#include "lut/lut_kernel.h"

namespace qlx {
namespace {

// floor(x / 255) for 0 <= x < 65535: ((x + 1) * 257) >> 16.
inline int div255(int x) {
    return ((x + 1) * 257) >> 16;
}
inline int mix(int p, int q, int k) {
    return div255(p * k + q * (255 - k));
}
inline int mul(int s, int m) {
    return div255(s * m + 127);
}

void blendPixel(std::uint8_t* d, const std::uint8_t* o, const std::uint8_t* m,
                const BlendRowSettings& s) {
    const int k = m ? mul(s.skinScale, m[3]) : 0;
    for (int c = 0; c < 4; ++c) {
        int value = d[c];
        if (s.strengthWeight >= 0) value = mix(o[c], value, s.strengthWeight);
        if (m) value = mix(o[c], value, k);
        d[c] = static_cast<std::uint8_t>(value);
    }
}

// The vector forms of the instruction-set family the LUT kernels use: the
// widest first, SSE4.1 for what it leaves. Returns the pixels blended.
int blendVectorPixels(std::uint8_t* result, const std::uint8_t* original, int pixels,
                      const BlendRowSettings& s) {
#if defined(QLX_VECTOR_KERNELS)
    const LutKernelKind kind = activeLutKernel();
    if (kind == LutKernelKind::Scalar) return 0;
    int x = 0;
    if (kind == LutKernelKind::Avx512) x = blendRowAvx512(result, original, pixels, s);
    if (kind == LutKernelKind::Avx2) x = blendRowAvx2(result, original, pixels, s);
    BlendRowSettings rest = s;
    if (rest.mask) rest.mask += 4 * x;
    return x + blendRowSse41(result + 4 * x, original + 4 * x, pixels - x, rest);
#else
    (void)result, (void)original, (void)pixels, (void)s;
    return 0;
#endif
}

}  // namespace

void blendRow(std::uint8_t* result, const std::uint8_t* original, int pixels,
              const BlendRowSettings& s) {
    for (int x = blendVectorPixels(result, original, pixels, s); x < pixels; ++x)
        blendPixel(result + 4 * x, original + 4 * x, s.mask ? s.mask + 4 * x : nullptr, s);
}

void prefetchRow(const std::uint8_t* row, int pixels) {
    for (int x = 0; x < pixels; x += 16)
        _mm_prefetch(reinterpret_cast<const char*>(row + 4 * x), _MM_HINT_T0);
}

}  // namespace qlx
