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

// Nothing when `bytes` is none of the three formats or its header is cut short
// or malformed (the decoder then refuses the file on its own).
std::optional<DeclaredSize> declaredPictureSize(const std::string& bytes);

}  // namespace qlxhost::cli
