// Which files qlxhost reads and writes, told apart by their extension.
#pragma once

#include <string>

namespace qlxhost::cli {

enum class MediaKind { Image, Video, Unsupported };

MediaKind mediaKind(const std::string& path);
// Lower-cased extension with its dot, e.g. ".png"; empty when there is none.
std::string extensionOf(const std::string& path);
// For messages: the extensions accepted.
std::string supportedExtensions();

}  // namespace qlxhost::cli
