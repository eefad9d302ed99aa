// Still pictures through OpenCV's codecs: PNG, JPEG and TIFF with 8 or 16 bits
// per channel, grey, colour or colour with alpha, from a file or, as "-", from
// standard input. The plugin renders 8-bit BGRA, so a picture is converted to
// that on the way in and back to its own depth and channels on the way out
// (16-bit values round to the nearest 8-bit level; an untouched level comes
// back exactly). The file's metadata (ICC profile, EXIF, XMP, IPTC) goes into
// the written picture as far as its format can hold it.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace qlxhost::cli {

inline constexpr char kStandardStream[] = "-";

struct Picture {
    cv::Mat bgra;      // CV_8UC4, straight (unmultiplied) colour as the file stores it
    int channels = 4;  // of the file: 1, 3 or 4
    int bitsPerChannel = 8;
    std::string format;   // ".png", ".jpg" or ".tif", from the file's first bytes
    std::string encoded;  // the file as read, for its metadata
};

// CliError naming the file when it is missing, unreadable, damaged or not a
// picture; a damaged JPEG is named with libjpeg's own words.
// A picture declaring more pixels than frame_limits.h allows is refused by its
// header, before decoding.
Picture readPicture(const std::string& path);
// The same over bytes already read; `path` names them in errors.
Picture pictureFromBytes(std::string bytes, const std::string& path);

struct PictureSettings {
    int jpegQuality = 95;
};

// Writes `bgra` with the channels, depth and metadata of `like`, as far as the
// format of `path`'s extension allows (JPEG keeps 8 bits and no alpha), or to
// standard output in `like`'s format when `path` is "-". CliError naming
// `shownAs` (default: `path`) when it fails.
void writePicture(const std::string& path, const cv::Mat& bgra, const Picture& like,
                  const PictureSettings& settings = {}, const std::string& shownAs = {});

}  // namespace qlxhost::cli
