#include "mask_encoding.h"

#include <cstring>

namespace qlx::aifilter {
namespace {

void spreadRow(const std::uint8_t* weights, int count, std::uint8_t* out) {
    for (int x = 0; x < count; ++x) {
        const std::uint32_t pixel = weights[x] * 0x01010101u;
        std::memcpy(out + 4 * x, &pixel, 4);
    }
}

}  // namespace

void writeMask(const cv::Mat& weights, int channels, std::uint8_t* dst, std::int64_t dstPitch) {
    CV_Assert(weights.type() == CV_8UC1 && (channels == 1 || channels == 4));
    cv::parallel_for_(cv::Range(0, weights.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            std::uint8_t* out = dst + y * dstPitch;
            if (channels == 1) {
                std::memcpy(out, weights.ptr<std::uint8_t>(y), weights.cols);
            } else {
                spreadRow(weights.ptr<std::uint8_t>(y), weights.cols, out);
            }
        }
    });
}

}  // namespace qlx::aifilter
