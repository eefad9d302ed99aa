// Writes skin weights into the caller's mask buffer in the library's published encoding.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>

namespace qlx::aifilter {

// `weights`: 8-bit single channel. With 4 channels every destination pixel becomes
// (w, w, w, w): the weight in byte 3 for the renderers and in bytes 0-2 so the mask reads as a
// grey picture. With 1 channel the weight alone. Only the first cols * channels bytes of each of
// the `weights.rows` rows are written.
void writeMask(const cv::Mat& weights, int channels, std::uint8_t* dst, std::int64_t dstPitch);

}  // namespace qlx::aifilter
