#include "image_file.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "cli_error.h"
#include "frame_limits.h"
#include "input_file.h"
#include "jpeg_damage.h"
#include "media_kind.h"
#include "picture_header.h"
#include "picture_metadata.h"

namespace qlxhost::cli {
namespace {

std::string readBytes(const std::string& path) {
    if (path != kStandardStream) return readInputFile(path, kMaxPictureFileBytes, "picture");
    std::string bytes;
    char chunk[1 << 16];
    while (std::cin.read(chunk, sizeof chunk) || std::cin.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(std::cin.gcount()));
        if (bytes.size() > kMaxPictureFileBytes) {
            throw CliError("the standard input: " +
                           refusalReason(qlx::platform::FileRefusal::TooLarge, kMaxPictureFileBytes,
                                         "picture"));
        }
    }
    return bytes;
}

cv::Mat decode(const std::string& bytes) {
    const cv::Mat buffer(1, static_cast<int>(bytes.size()), CV_8U, const_cast<char*>(bytes.data()));
    try {
        return cv::imdecode(buffer, cv::IMREAD_UNCHANGED);
    } catch (const cv::Exception&) {
        return {};
    }
}

std::vector<uchar> encode(const std::string& format, const cv::Mat& picture,
                          const PictureSettings& settings) {
    std::vector<uchar> bytes;
    try {
        if (cv::imencode(format, picture, bytes,
                         {cv::IMWRITE_JPEG_QUALITY, settings.jpegQuality})) {
            return bytes;
        }
    } catch (const cv::Exception&) {
    }
    return {};
}

}  // namespace

Picture pictureFromBytes(std::string bytes, const std::string& path) {
    Picture picture;
    picture.encoded = std::move(bytes);
    picture.format = pictureFormat(picture.encoded);
    if (const auto size = declaredPictureSize(picture.encoded))
        checkFrameSize(path, size->width, size->height);
    cv::Mat raw = picture.format.empty()     ? cv::Mat()
                  : picture.format == ".png" ? decode(pngPixelChunks(picture.encoded))
                                             : decode(picture.encoded);
    if (raw.empty()) {
        throw CliError(path +
                       ": not a readable PNG, JPEG or TIFF picture (damaged, or another format)");
    }
    if (picture.format == ".jpg") {
        if (const std::string damage = jpegDamage(picture.encoded); !damage.empty()) {
            throw CliError(path + ": damaged JPEG (libjpeg: " + damage + ")");
        }
    }
    picture.channels = raw.channels();
    if (raw.depth() == CV_16U) {
        picture.bitsPerChannel = 16;
        raw.convertTo(raw, CV_8U, 1.0 / 257.0);
    } else if (raw.depth() != CV_8U) {
        throw CliError(path + ": only 8 and 16 bits per channel are supported");
    }
    switch (raw.channels()) {
        case 1:
            cv::cvtColor(raw, picture.bgra, cv::COLOR_GRAY2BGRA);
            break;
        case 3:
            cv::cvtColor(raw, picture.bgra, cv::COLOR_BGR2BGRA);
            break;
        case 4:
            picture.bgra = raw;
            break;
        default:
            throw CliError(path + ": pictures with " + std::to_string(raw.channels()) +
                           " channels are not supported");
    }
    return picture;
}

Picture readPicture(const std::string& path) {
    return pictureFromBytes(readBytes(path), path);
}

void writePicture(const std::string& path, const cv::Mat& bgra, const Picture& like,
                  const PictureSettings& settings, const std::string& shownAs) {
    const bool toStream = path == kStandardStream;
    const std::string ext = toStream ? like.format : extensionOf(path);
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    cv::Mat out;
    // A grey input may come out coloured, so it is written as colour.
    if (like.channels == 4 && !jpeg) {
        out = bgra;
    } else {
        cv::cvtColor(bgra, out, cv::COLOR_BGRA2BGR);
    }
    if (like.bitsPerChannel == 16 && !jpeg) out.convertTo(out, CV_16U, 257.0);
    const std::string name = shownAs.empty() ? path : shownAs;
    std::vector<uchar> bytes = encode(ext, out, settings);
    if (bytes.empty()) throw CliError("cannot write the picture " + name);
    if (!like.encoded.empty()) {
        if (const std::string lost = copyMetadata(like.encoded, bytes); !lost.empty()) {
            std::fprintf(stderr, "warning: %s keeps no metadata of its input: %s\n", name.c_str(),
                         lost.c_str());
        }
    }
    bool written = false;
    if (toStream) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
                  std::fflush(stdout) == 0;
    } else {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        written = file.write(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<std::streamsize>(bytes.size())) &&
                  file.flush();
    }
    if (!written) throw CliError("cannot write the picture " + name);
}

}  // namespace qlxhost::cli
