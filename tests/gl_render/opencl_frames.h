// Pictures in and out of the kit's OpenCL frames, and the OpenCL program files
// the tests load: the bundled one and variants made from it.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "kit/opencl_device.h"
#include "support/temp_dir.h"

namespace qlxtest {

// The bundled program, as the LUT folder ships it.
inline std::string bundledProgramText() {
    return readFile(std::string(QLX_RESOURCES_DIR) + "/qlx_effect/plugin/LUT/programs/lut.cl");
}

// The bundled program without its "SkinProtect" kernel.
inline std::string programWithoutSkinKernel() {
    std::string text = bundledProgramText();
    const std::size_t at = text.find("__kernel void SkinProtect");
    return at == std::string::npos ? std::string() : text.substr(0, at);
}

// The bundled program cut off in the middle of a function: it does not build.
inline std::string brokenProgram() {
    const std::string text = bundledProgramText();
    return text.substr(0, text.find("int qlxToByte") + 30);
}

// Writes `picture` into a new OpenCL frame of its size; `extraPitch` bytes
// follow every row.
inline std::unique_ptr<qlxhost::OpenCLFrame> uploadFrame(qlxhost::OpenCLDevice& device,
                                                         qlxhost::GPUDeviceSuite& suite,
                                                         const cv::Mat& picture,
                                                         int extraPitch = 0) {
    auto frame = std::make_unique<qlxhost::OpenCLFrame>(device, suite, picture.cols, picture.rows,
                                                        picture.cols * 4 + extraPitch);
    if (!frame->write(picture.data, static_cast<int>(picture.step))) return nullptr;
    return frame;
}

// What the frame holds now.
inline cv::Mat downloadFrame(const qlxhost::OpenCLFrame& frame) {
    cv::Mat picture(frame.height(), frame.width(), CV_8UC4);
    if (!frame.read(picture.data, static_cast<int>(picture.step))) return cv::Mat();
    return picture;
}

}  // namespace qlxtest
