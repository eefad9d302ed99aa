#include "frame_limits.h"

#include "cli_error.h"

namespace qlxhost::cli {

void checkFrameSize(const std::string& shownAs, std::uint64_t width, std::uint64_t height) {
    if (width <= kMaxFrameSide && height <= kMaxFrameSide && width * height <= kMaxFramePixels)
        return;
    throw CliError(shownAs + ": " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels is larger than qlxhost takes (at most " +
                   std::to_string(kMaxFramePixels) + " pixels and " +
                   std::to_string(kMaxFrameSide) + " a side)");
}

}  // namespace qlxhost::cli
