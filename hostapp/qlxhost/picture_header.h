// The size a PNG, JPEG or TIFF file declares in its header, read without
// decoding anything.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qlxhost::cli {

struct DeclaredSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

// ".png", ".jpg" or ".tif" when `bytes` begins with that format's signature as
// OpenCV's decoder for it checks it, else empty. OpenCV picks its decoder by
// these signatures, so bytes that match none would reach another of its
// decoders (DICOM's asserts on damaged input and ends the process).
std::string pictureFormat(const std::string& bytes);

// Nothing when `bytes` is none of the three formats or its header is cut short
// or malformed (the decoder then refuses the file on its own).
std::optional<DeclaredSize> declaredPictureSize(const std::string& bytes);

}  // namespace qlxhost::cli
