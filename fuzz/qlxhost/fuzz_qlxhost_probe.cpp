// Feeds arbitrary text to qlxhost's reading of ffprobe's output for a video.
// Beyond the sanitizers: it is either refused with a CliError or describes a
// video stream within the frame limits, with a usable frame rate.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli_error.h"
#include "frame_limits.h"
#include "video_file.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qlxhost::cli;
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const VideoInfo info = videoInfoFromProbe(text, "fuzz");
        require(info.width > 0 && info.height > 0);
        require(static_cast<std::uint64_t>(info.width) * info.height <= kMaxFramePixels);
        require(!info.frameRate.empty() && info.frameCount >= 0);
    } catch (const CliError&) {
    }
    return 0;
}
