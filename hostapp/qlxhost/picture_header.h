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

// `png` with only the chunks its pixels are decoded from (IHDR, PLTE, tRNS,
// IDAT, IEND), up to IEND or the first chunk that runs past the end. libpng
// acts on the others at a cost their bytes do not bound (a 9-byte ICC profile
// chunk declaring a gigabyte is allocated and cleared before it is found cut
// short) and warns about some profiles on the terminal. The metadata goes
// into the output from the file's own bytes.
std::string pngPixelChunks(const std::string& png);

// Nothing when `bytes` is none of the three formats or its header is cut short
// or malformed (the decoder then refuses the file on its own).
std::optional<DeclaredSize> declaredPictureSize(const std::string& bytes);

}  // namespace qlxhost::cli
