// How a video's pixels map to colour: the matrix and range that turn its YUV
// into RGB, and the primaries and transfer a player needs to show it. Frames
// are converted with the input's own matrix and range, or with what players
// assume for an untagged video (BT.709 for HD, BT.601 below), and the output
// is tagged with the same, so a graded clip shows as its input did.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

struct VideoColour {
    // As ffprobe names them; empty when the input does not say.
    std::string matrix;  // color_space: bt709, smpte170m, bt470bg, bt2020nc, ...
    std::string range;   // color_range: tv or pc
    std::string primaries;
    std::string transfer;
};

// The tags as ffprobe gives them for a video stream of this size and pixel
// format, with the matrix and range made definite.
VideoColour videoColour(VideoColour tagged, const std::string& pixelFormat, int width, int height);
// The filter that turns decoded frames into BGRA.
std::string decodingFilter(const VideoColour& colour);
// The filters that turn BGRA frames into 8-bit 4:2:0 YUV, and the tags.
std::vector<std::string> encodingArguments(const VideoColour& colour);

}  // namespace qlxhost::cli
