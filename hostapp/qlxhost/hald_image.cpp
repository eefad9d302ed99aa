#include "hald_image.h"

#include <fmt/core.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <opencv2/imgcodecs.hpp>

#include "cli_error.h"
#include "lut/cube_lut.h"
#include "output_file.h"
#include "plugin_lut.h"

namespace qlxhost::cli {
namespace {

// Pixel p of the identity HALD holds cube entry p, red fastest, each axis
// stepping evenly from 0 to 255 (exactly one 8-bit level per step at level 16).
cv::Mat identityHald(int level) {
    const int points = level * level, side = points * level;
    cv::Mat image(side, side, CV_8UC3);
    auto code = [points](int i) {
        return static_cast<uchar>(std::lround(i * 255.0 / (points - 1)));
    };
    for (int p = 0; p < side * side; ++p) {
        const int r = p % points, g = (p / points) % points, b = p / (points * points);
        image.at<cv::Vec3b>(p / side, p % side) = cv::Vec3b(code(b), code(g), code(r));
    }
    return image;
}

}  // namespace

int runHald(const HaldOptions& options) {
    if (options.level < 2 || options.level > 16) {
        throw CliError(fmt::format("level {} is outside 2..16", options.level), kExitUsage);
    }
    std::error_code ec;
    if (std::filesystem::exists(options.output, ec)) {
        throw CliError(fmt::format("{}: exists; nothing written", options.output));
    }
    auto lut = loadPluginLut(options.lutFile, "'qlxhost convert' may repair it");
    cv::Mat image = identityHald(options.level);
    lut->apply(image.data, static_cast<int>(image.step), image.data, image.cols, image.rows,
               static_cast<int>(image.step), 3);
    OutputFile out(options.output);
    bool written = false;
    try {
        written = cv::imwrite(out.temporaryPath(), image);
    } catch (const cv::Exception&) {
    }
    if (!written) {
        throw CliError(
            fmt::format("{}: cannot be written (a .png or .tif name is needed)", options.output));
    }
    out.commit();
    fmt::print("{}: HALD level {} ({} x {} pixels, {} points per axis)\n", options.output,
               options.level, image.cols, image.rows, options.level * options.level);
    return kExitOk;
}

}  // namespace qlxhost::cli
