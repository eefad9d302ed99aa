#include "media_kind.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qlxhost::cli {
namespace {

const char* const kImages[] = {".png", ".jpg", ".jpeg", ".tif", ".tiff"};
const char* const kVideos[] = {".mp4", ".mov", ".m4v", ".mkv", ".avi", ".webm"};

template <std::size_t N>
bool listed(const char* const (&list)[N], const std::string& ext) {
    return std::find(std::begin(list), std::end(list), ext) != std::end(list);
}

}  // namespace

std::string extensionOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

MediaKind mediaKind(const std::string& path) {
    const std::string ext = extensionOf(path);
    if (listed(kImages, ext)) return MediaKind::Image;
    if (listed(kVideos, ext)) return MediaKind::Video;
    return MediaKind::Unsupported;
}

std::string supportedExtensions() {
    std::string text = "images";
    for (const char* ext : kImages) text += std::string(" ") + ext;
    text += "; videos";
    for (const char* ext : kVideos) text += std::string(" ") + ext;
    return text;
}

}  // namespace qlxhost::cli
