// Still pictures through OpenCV's codecs: PNG, JPEG and TIFF with 8 or 16 bits
// per channel, grey, colour or colour with alpha. The plugin renders 8-bit
// BGRA, so a picture is converted to that on the way in and back to its own
// depth and channels on the way out (16-bit values round to the nearest
// 8-bit level; an untouched level comes back exactly).
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace qlxhost::cli {

struct Picture {
    cv::Mat bgra;      // CV_8UC4
    int channels = 4;  // of the file: 1, 3 or 4
    int bitsPerChannel = 8;
};

// CliError naming the file when it is missing, unreadable or not a picture.
Picture readPicture(const std::string& path);
// Writes `bgra` with the channels and depth of `like`, as far as the file
// format allows (JPEG keeps 8 bits and no alpha). CliError naming `shownAs`
// (default: `path`) when it fails.
void writePicture(const std::string& path, const cv::Mat& bgra, const Picture& like,
                  const std::string& shownAs = {});

}  // namespace qlxhost::cli
