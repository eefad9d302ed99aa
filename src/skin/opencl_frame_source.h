// The source pixels of a frame held in an OpenCL image: the image mapped into
// host memory for the life of this object, converted to 8-bit BGRA first when
// the frame has 16 bits per channel.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>

namespace OPENCL {
class openclMemory;
}

class OpenCLFrameSource {
  public:
    // Maps the top-left width x height pixels of `image`. pixels() is null when
    // the image is not a 2D image at least that large, its pixels are too small
    // for the frame's format, or it cannot be mapped.
    OpenCLFrameSource(OPENCL::openclMemory* image, int width, int height, bool sixteenBit);
    // Unmaps the image.
    ~OpenCLFrameSource();
    OpenCLFrameSource(const OpenCLFrameSource&) = delete;
    OpenCLFrameSource& operator=(const OpenCLFrameSource&) = delete;

    // 8-bit BGRA rows, pitch() bytes apart.
    const std::uint8_t* pixels() const { return pixels_; }
    std::int32_t pitch() const { return pitch_; }

  private:
    OPENCL::openclMemory* image_;
    void* mapped_ = nullptr;
    cv::Mat converted_;
    const std::uint8_t* pixels_ = nullptr;
    std::int32_t pitch_ = 0;
};
