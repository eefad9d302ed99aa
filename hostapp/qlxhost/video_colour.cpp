#include "video_colour.h"

#include <map>

namespace qlxhost::cli {
namespace {

// ffprobe's matrix names and the names swscale's scale filter knows them by.
const std::map<std::string, std::string> kScaleMatrix{
    {"bt709", "bt709"},         {"smpte170m", "smpte170m"}, {"bt470bg", "bt470"}, {"fcc", "fcc"},
    {"smpte240m", "smpte240m"}, {"bt2020nc", "bt2020"},     {"bt2020c", "bt2020"}};

bool known(const std::string& tag) {
    return !tag.empty() && tag != "unknown" && tag != "reserved";
}

}  // namespace

VideoColour videoColour(VideoColour tagged, const std::string& pixelFormat, int width, int height) {
    if (!kScaleMatrix.count(tagged.matrix)) {
        // What players assume: SD sizes are BT.601, larger ones BT.709.
        tagged.matrix = width >= 1280 || height > 576 ? "bt709" : "smpte170m";
    }
    if (tagged.range != "tv" && tagged.range != "pc") {
        tagged.range = pixelFormat.rfind("yuvj", 0) == 0 ? "pc" : "tv";
    }
    if (!known(tagged.primaries)) tagged.primaries.clear();
    if (!known(tagged.transfer)) tagged.transfer.clear();
    return tagged;
}

std::string decodingFilter(const VideoColour& colour) {
    return "scale=in_color_matrix=" + kScaleMatrix.at(colour.matrix) + ":in_range=" + colour.range +
           ",format=bgra";
}

std::vector<std::string> encodingArguments(const VideoColour& colour) {
    // yuv420p needs even sizes; a padded last column or row is black.
    std::vector<std::string> args{
        "-vf",
        "pad=ceil(iw/2)*2:ceil(ih/2)*2,scale=out_color_matrix=" + kScaleMatrix.at(colour.matrix) +
            ":out_range=" + colour.range + ",format=yuv420p",
        "-colorspace",
        colour.matrix,
        "-color_range",
        colour.range};
    if (!colour.primaries.empty()) args.insert(args.end(), {"-color_primaries", colour.primaries});
    if (!colour.transfer.empty()) args.insert(args.end(), {"-color_trc", colour.transfer});
    return args;
}

}  // namespace qlxhost::cli
