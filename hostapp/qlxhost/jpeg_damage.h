// Whether a JPEG decodes whole. OpenCV fills what a damaged or cut-short JPEG
// lacks with grey and says nothing; libjpeg itself warns, and its warning is
// what the user is told.
#pragma once

#include <string>

namespace qlxhost::cli {

// libjpeg's first warning or error while decoding every scanline of
// `bytes`, or empty when the picture is whole.
std::string jpegDamage(const std::string& bytes);

}  // namespace qlxhost::cli
