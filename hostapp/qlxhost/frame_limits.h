// The largest picture or video frame qlxhost takes. A frame is held several
// times over (decoded, as BGRA, rendered, encoded), so a file that declares
// more is refused before anything is decoded: a few bytes of header must not
// ask for gigabytes.
#pragma once

#include <cstdint>
#include <string>

namespace qlxhost::cli {

inline constexpr std::uint64_t kMaxFrameSide = 32768;
// 16384 x 16384: 1 GiB as 8-bit BGRA.
inline constexpr std::uint64_t kMaxFramePixels = std::uint64_t{1} << 28;

// The largest picture file qlxhost reads: the largest frame as 8-bit BGRA.
// OpenCV decodes from one buffer whose length is an int, so it must stay
// below 2 GiB.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{1} << 30;

// CliError naming `shownAs` when `width` x `height` exceeds the limits.
void checkFrameSize(const std::string& shownAs, std::uint64_t width, std::uint64_t height);

}  // namespace qlxhost::cli
