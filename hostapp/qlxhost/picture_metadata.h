// The metadata of a picture (ICC profile, EXIF, XMP, IPTC) carried into a
// rendered copy through exiv2, as far as the copy's format can hold it.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

// Puts the metadata of the encoded picture `source` into the encoded picture
// `target`. EXIF's thumbnail is dropped: it would show the picture ungraded.
// Returns why nothing could be carried, or empty.
std::string copyMetadata(const std::string& source, std::vector<unsigned char>& target);

// `png` without its ICC profile, or as it is when it has none. OpenCV's PNG
// reader lets libpng print warnings about some profiles ("known incorrect
// sRGB profile") on the terminal; pixels are decoded from this copy, and the
// profile is carried into the output by copyMetadata.
std::string withoutIccProfile(const std::string& png);

}  // namespace qlxhost::cli
