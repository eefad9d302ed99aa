// 16-bit to 8-bit conversion of four-channel frames for the segmentation
// filter: each output channel is the high byte of a little-endian 16-bit
// channel, and the first and third channels swap, (c0,c1,c2,c3) ->
// (c2,c1,c0,c3). Source pixels are 8 bytes, destination pixels 4 bytes; rows
// advance by their own pitches. All forms give identical bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// One pixel at a time; the reference.
void convertFrame16To8Scalar(const std::uint8_t* src, std::size_t srcPitch, std::uint8_t* dst,
                             std::size_t dstPitch, int width, int height);

// Four pixels per step with SSE2 (part of every x86-64 CPU, so no run-time
// check is needed); the scalar form elsewhere.
void convertFrame16To8Vector(const std::uint8_t* src, std::size_t srcPitch, std::uint8_t* dst,
                             std::size_t dstPitch, int width, int height);

// The fastest form this build has.
inline void convertFrame16To8(const std::uint8_t* src, std::size_t srcPitch, std::uint8_t* dst,
                              std::size_t dstPitch, int width, int height) {
    convertFrame16To8Vector(src, srcPitch, dst, dstPitch, width, height);
}
