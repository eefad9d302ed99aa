#include "skin/segment_skin.h"

#include "skin/opencl_frame_source.h"
#include "skin/segmentation_hooks.h"

namespace {

constexpr std::int32_t kNotSegmented = 1;

struct FrameFacts {
    int width;
    int height;
    bool sixteenBit;
};

std::int32_t runFilter(void* handle, cv::Mat& mask, const std::uint8_t* src, int width, int height,
                       std::int32_t srcPitch) {
    return segmentationHooks().transform(handle, mask.data, width, height,
                                         static_cast<std::int32_t>(mask.step), nullptr, 0, 0, 0,
                                         src, width, height, srcPitch);
}

// The frame's own host pixels, handed over as they are.
std::int32_t segmentHostPixels(QLXFrame* input, const FrameFacts& facts, void* handle,
                               cv::Mat& mask) {
    const auto* pixels = static_cast<const std::uint8_t*>(input->vtbl->GetData(input));
    const std::int32_t stride = input->vtbl->GetStride(input);
    if (!pixels || stride / 4 < facts.width) return kNotSegmented;
    return runFilter(handle, mask, pixels, facts.width, facts.height, stride);
}

std::int32_t segmentImage(OPENCL::openclMemory* image, const FrameFacts& facts, void* handle,
                          cv::Mat& mask) {
    OpenCLFrameSource source(image, facts.width, facts.height, facts.sixteenBit);
    if (!source.pixels()) return kNotSegmented;
    return runFilter(handle, mask, source.pixels(), facts.width, facts.height, source.pitch());
}

}  // namespace

SkinMaskResult segmentSkin(QLXFrame* input, void* segmentationHandle,
                           OPENCL::openclMemory* inputImage) noexcept {
    SkinMaskResult result;
    try {
        if (!input || !input->vtbl) return result;
        const FrameFacts facts{input->vtbl->GetWidth(input), input->vtbl->GetHeight(input),
                               input->vtbl->GetPixelFormat(input) == kQLXPixelFormat16};
        if (facts.width < 1 || facts.height < 1) return result;
        cv::Mat mask(facts.height, facts.width, CV_8UC4);
        result.status = inputImage ? segmentImage(inputImage, facts, segmentationHandle, mask)
                                   : segmentHostPixels(input, facts, segmentationHandle, mask);
        // The filter ran (or was refused the frame) and the mask goes back either way.
        result.mask = mask;
    } catch (...) {
        result = SkinMaskResult{};
    }
    return result;
}

SkinMaskResult segmentSkinPixels(const cv::Mat& bgra, void* segmentationHandle) noexcept {
    SkinMaskResult result;
    try {
        if (bgra.empty() || bgra.type() != CV_8UC4) return result;
        cv::Mat mask(bgra.rows, bgra.cols, CV_8UC4);
        result.status = runFilter(segmentationHandle, mask, bgra.data, bgra.cols, bgra.rows,
                                  static_cast<std::int32_t>(bgra.step[0]));
        result.mask = mask;
    } catch (...) {
        result = SkinMaskResult{};
    }
    return result;
}
