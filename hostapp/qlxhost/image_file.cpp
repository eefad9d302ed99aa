#include "image_file.h"

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <system_error>

#include "cli_error.h"
#include "media_kind.h"

namespace qlxhost::cli {

Picture readPicture(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw CliError(path + ": no such file");
    if (!std::filesystem::is_regular_file(path, ec)) throw CliError(path + ": not a file");
    cv::Mat raw;
    try {
        raw = cv::imread(path, cv::IMREAD_UNCHANGED);
    } catch (const cv::Exception&) {
        raw.release();
    }
    if (raw.empty()) {
        throw CliError(path +
                       ": not a readable PNG, JPEG or TIFF picture (damaged, or another format)");
    }
    Picture picture;
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

void writePicture(const std::string& path, const cv::Mat& bgra, const Picture& like,
                  const std::string& shownAs) {
    const std::string ext = extensionOf(path);
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    cv::Mat out;
    // A grey input may come out coloured, so it is written as colour.
    if (like.channels == 4 && !jpeg) {
        out = bgra;
    } else {
        cv::cvtColor(bgra, out, cv::COLOR_BGRA2BGR);
    }
    if (like.bitsPerChannel == 16 && !jpeg) out.convertTo(out, CV_16U, 257.0);
    bool written = false;
    try {
        written = cv::imwrite(path, out);
    } catch (const cv::Exception&) {
        written = false;
    }
    if (!written) throw CliError("cannot write the picture " + (shownAs.empty() ? path : shownAs));
}

}  // namespace qlxhost::cli
