#include "skin/frame_convert.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QLX_HAVE_SSE2 1
#endif

namespace {

// High bytes of channels 2, 1, 0, 3 of one little-endian 16-bit pixel.
inline void convertPixel(const std::uint8_t* src, std::uint8_t* dst) {
    dst[0] = src[5];
    dst[1] = src[3];
    dst[2] = src[1];
    dst[3] = src[7];
}

void convertRowScalar(const std::uint8_t* src, std::uint8_t* dst, int from, int to) {
    for (int x = from; x < to; ++x) convertPixel(src + 8 * x, dst + 4 * x);
}

#if QLX_HAVE_SSE2
// Pixels a destination row must advance by before its stores are 16-byte
// aligned; -1 when no whole number of pixels gets there.
int pixelsToAlignment(const std::uint8_t* dst) {
    const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(dst) & 15;
    if (misalignment % 4 != 0) return -1;
    return static_cast<int>((16 - misalignment) % 16) / 4;
}

// Two pixels of 16-bit channels -> their high bytes, channels 0 and 2 swapped,
// still as 16-bit lanes.
inline __m128i highBytesSwapped(__m128i twoPixels) {
    const __m128i high = _mm_srli_epi16(twoPixels, 8);
    const __m128i low = _mm_shufflelo_epi16(high, _MM_SHUFFLE(3, 0, 1, 2));
    return _mm_shufflehi_epi16(low, _MM_SHUFFLE(3, 0, 1, 2));
}

inline __m128i fourPixels(const std::uint8_t* src) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
    // Every lane is below 256 after the shift, so the saturating pack is exact.
    return _mm_packus_epi16(highBytesSwapped(first), highBytesSwapped(second));
}

void convertRowVector(const std::uint8_t* src, std::uint8_t* dst, int width) {
    const int toAlign = pixelsToAlignment(dst);
    const bool aligned = toAlign >= 0;
    const int head = aligned ? (toAlign < width ? toAlign : width) : 0;
    convertRowScalar(src, dst, 0, head);
    int x = head;
    for (; x + 4 <= width; x += 4) {
        const __m128i packed = fourPixels(src + 8 * x);
        __m128i* out = reinterpret_cast<__m128i*>(dst + 4 * x);
        if (aligned) {
            _mm_store_si128(out, packed);
        } else {
            _mm_storeu_si128(out, packed);
        }
    }
    convertRowScalar(src, dst, x, width);
}
#endif

}  // namespace

void convertFrame16To8Scalar(const std::uint8_t* src, std::size_t srcPitch, std::uint8_t* dst,
                             std::size_t dstPitch, int width, int height) {
    for (int y = 0; y < height; ++y) {
        convertRowScalar(src + y * srcPitch, dst + y * dstPitch, 0, width);
    }
}

void convertFrame16To8Vector(const std::uint8_t* src, std::size_t srcPitch, std::uint8_t* dst,
                             std::size_t dstPitch, int width, int height) {
#if QLX_HAVE_SSE2
    for (int y = 0; y < height; ++y)
        convertRowVector(src + y * srcPitch, dst + y * dstPitch, width);
#else
    convertFrame16To8Scalar(src, srcPitch, dst, dstPitch, width, height);
#endif
}
