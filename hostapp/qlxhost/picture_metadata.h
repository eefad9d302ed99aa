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

}  // namespace qlxhost::cli
