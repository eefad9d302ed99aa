// Turns one input frame into a skin mask through the segmentation hooks.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>

#include "qlx/qlx_host.h"

namespace OPENCL {
class openclMemory;
}

struct SkinMaskResult {
    // 0 on success; otherwise the segmentation filter's status, or 1 when the
    // frame could not be handed to it (see segmentSkin).
    std::int32_t status = 1;
    // 8-bit, 4 channels, input height x input width; its contents are the
    // filter's only when status is 0. Empty when the frame had no usable size.
    cv::Mat mask;
};

// Segments `input` with the filter behind `segmentationHandle` (the effect's
// handle from the create hook; null makes the filter fail).
//
// Without `inputImage` the filter reads the frame's host pixels (GetData,
// GetStride) as 8-bit BGRA, whatever the frame's pixel format. With
// `inputImage` (an OpenCL image of the frame) the image is mapped for reading;
// a 16-bit frame is first converted to 8-bit BGRA.
//
// Status 1 without calling the filter: no frame, a size below 1, no host
// pixels or a row pitch shorter than a row (host path), an image smaller than
// the frame or with pixels too small for the frame's format, or an image that
// cannot be mapped. Never raises.
SkinMaskResult segmentSkin(QLXFrame* input, void* segmentationHandle,
                           OPENCL::openclMemory* inputImage = nullptr) noexcept;

// Segments 8-bit BGRA pixels already in host memory, such as a frame read back
// from a GPU texture. Status 1 without calling the filter for an empty image or
// one of another type.
SkinMaskResult segmentSkinPixels(const cv::Mat& bgra, void* segmentationHandle) noexcept;
