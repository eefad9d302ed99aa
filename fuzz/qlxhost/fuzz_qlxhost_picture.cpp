// Feeds arbitrary bytes to qlxhost's picture reading (PNG, JPEG, TIFF through
// OpenCV, libjpeg's damage check, Exiv2's ICC removal, the header size check).
// Beyond the sanitizers: a picture is either refused with a CliError or comes
// back as 8-bit BGRA of the size its header declares, within the limits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli_error.h"
#include "frame_limits.h"
#include "image_file.h"
#include "picture_header.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Sizes the decoder may allocate here; larger declared sizes are checked
// against the limits only, as the fuzzer's memory is not a user's.
constexpr std::uint64_t kDecodedPixels = 1 << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qlxhost::cli;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto declared = declaredPictureSize(bytes);
    if (declared && declared->width * declared->height > kDecodedPixels) {
        try {
            checkFrameSize("fuzz", declared->width, declared->height);
        } catch (const CliError&) {
        }
        return 0;
    }
    try {
        const Picture picture = pictureFromBytes(std::move(bytes), "fuzz");
        require(picture.bgra.type() == CV_8UC4 && !picture.bgra.empty());
        if (declared) {
            require(static_cast<std::uint64_t>(picture.bgra.cols) == declared->width);
            require(static_cast<std::uint64_t>(picture.bgra.rows) == declared->height);
        }
    } catch (const CliError&) {
    }
    return 0;
}
