#include "skin/opencl_frame_source.h"

#include <KRPlatformOpenCL.h>

#include <cstddef>

#include "skin/frame_convert.h"

namespace {

// Whether the image can serve a width x height frame of the given format
// without a read past its rows.
bool imageFitsFrame(const OPENCL::_ImageDataDesc& info, int width, int height, bool sixteenBit) {
    const std::uint32_t bytesPerPixel = sixteenBit ? 8 : 4;
    return info.kind == OPENCL::Image2D && info.reserved[0] >= bytesPerPixel &&
           info.width >= static_cast<std::uint32_t>(width) &&
           info.height >= static_cast<std::uint32_t>(height);
}

}  // namespace

OpenCLFrameSource::OpenCLFrameSource(OPENCL::openclMemory* image, int width, int height,
                                     bool sixteenBit)
    : image_(image) {
    const OPENCL::_ImageDataDesc info = image_->getOpenCLMemoryInfo();
    if (!imageFitsFrame(info, width, height, sixteenBit)) return;
    std::size_t pitch = info.reserved[1];
    mapped_ = image_->lockMemory(true, &pitch, 0, 0, 0, static_cast<std::size_t>(width),
                                 static_cast<std::size_t>(height), 1, 0, true);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (sixteenBit ? 8 : 4);
    if (!mapped_ || pitch < rowBytes) return;
    const auto* mappedPixels = static_cast<const std::uint8_t*>(mapped_);
    if (sixteenBit) {
        converted_.create(height, width, CV_8UC4);
        convertFrame16To8(mappedPixels, pitch, converted_.data, converted_.step, width, height);
        pixels_ = converted_.data;
        pitch_ = static_cast<std::int32_t>(converted_.step);
    } else if (pitch <= static_cast<std::size_t>(INT32_MAX)) {
        pixels_ = mappedPixels;
        pitch_ = static_cast<std::int32_t>(pitch);
    }
}

OpenCLFrameSource::~OpenCLFrameSource() {
    if (mapped_) image_->unlockMemory(mapped_);
}
