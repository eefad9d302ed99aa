#include "picture_header.h"

#include <algorithm>
#include <iterator>

namespace qlxhost::cli {
namespace {

// Bounds-checked big- or little-endian reads; false past the end.
class Reader {
  public:
    Reader(const std::string& bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}
    bool read(std::uint64_t at, int count, std::uint64_t* value) const {
        if (at > bytes_.size() || bytes_.size() - at < static_cast<std::uint64_t>(count))
            return false;
        *value = 0;
        for (int i = 0; i < count; ++i) {
            const std::uint64_t byte = static_cast<unsigned char>(bytes_[at + i]);
            *value |= big_ ? byte << (8 * (count - 1 - i)) : byte << (8 * i);
        }
        return true;
    }

  private:
    const std::string& bytes_;
    bool big_;
};

// Signature, chunk length, "IHDR", then width and height.
std::optional<DeclaredSize> pngSize(const std::string& bytes) {
    const Reader in(bytes, true);
    DeclaredSize size;
    if (bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0 || !in.read(16, 4, &size.width) ||
        !in.read(20, 4, &size.height))
        return std::nullopt;
    return size;
}

// Segments up to the first start-of-frame marker, which holds the size.
// Bytes that are no marker are skipped to the next 0xFF, as libjpeg does.
std::optional<DeclaredSize> jpegSize(const std::string& bytes) {
    const Reader in(bytes, true);
    std::uint64_t at = 2, byte = 0, marker = 0, length = 0;
    while (in.read(at, 1, &byte)) {
        if (byte != 0xFF) {
            ++at;
            continue;
        }
        if (!in.read(at + 1, 1, &marker)) return std::nullopt;
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;  // no length follows
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // end, or scan before a frame
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        DeclaredSize size;
        if (frame) {
            if (!in.read(at + 5, 2, &size.height) || !in.read(at + 7, 2, &size.width))
                return std::nullopt;
            return size;
        }
        // libjpeg skips nothing more for a length below 2, and reads on.
        if (!in.read(at + 2, 2, &length)) return std::nullopt;
        at += 2 + std::max<std::uint64_t>(length, 2);
    }
    return std::nullopt;
}

// Bytes of a TIFF value of `type` held in an entry: BYTE and SBYTE 1, SHORT and
// SSHORT 2, LONG and SLONG 4 (a signed value reads as a huge unsigned one,
// which is refused); 0 for types a size is not written in.
int tiffValueBytes(std::uint64_t type) {
    switch (type) {
        case 1:
        case 6:
            return 1;
        case 3:
        case 8:
            return 2;
        case 4:
        case 9:
            return 4;
    }
    return 0;
}

// The first image file directory's ImageWidth (256) and ImageLength (257).
std::optional<DeclaredSize> tiffSize(const std::string& bytes) {
    const Reader in(bytes, bytes.compare(0, 2, "MM") == 0);
    std::uint64_t directory = 0, count = 0;
    if (!in.read(4, 4, &directory) || !in.read(directory, 2, &count)) return std::nullopt;
    DeclaredSize size;
    bool width = false, height = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = directory + 2 + 12 * i;
        std::uint64_t tag = 0, type = 0, value = 0;
        if (!in.read(entry, 2, &tag) || !in.read(entry + 2, 2, &type)) return std::nullopt;
        // Only the first of each counts, as in libtiff.
        if ((tag != 256 || width) && (tag != 257 || height)) continue;
        const int valueBytes = tiffValueBytes(type);
        if (valueBytes == 0 || !in.read(entry + 8, valueBytes, &value)) return std::nullopt;
        (tag == 256 ? size.width : size.height) = value;
        (tag == 256 ? width : height) = true;
    }
    if (!width || !height) return std::nullopt;
    return size;
}

}  // namespace

std::string pngPixelChunks(const std::string& png) {
    static const std::string kPixelChunks[] = {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"};
    const Reader in(png, true);
    std::string kept = png.substr(0, 8);
    std::uint64_t at = 8, length = 0;
    while (in.read(at, 4, &length) && png.size() - at >= 12 + length) {
        const std::string type = png.substr(at + 4, 4);
        if (std::count(std::begin(kPixelChunks), std::end(kPixelChunks), type) != 0)
            kept.append(png, at, 12 + length);
        at += 12 + length;
        if (type == "IEND") break;
    }
    return kept;
}

std::string pictureFormat(const std::string& bytes) {
    if (bytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0) return ".png";
    if (bytes.rfind("\xFF\xD8\xFF", 0) == 0) return ".jpg";
    if (bytes.rfind(std::string("II*\0", 4), 0) == 0 ||
        bytes.rfind(std::string("MM\0*", 4), 0) == 0)
        return ".tif";
    return {};
}

std::optional<DeclaredSize> declaredPictureSize(const std::string& bytes) {
    const std::string format = pictureFormat(bytes);
    if (format == ".png") return pngSize(bytes);
    if (format == ".jpg") return jpegSize(bytes);
    if (format == ".tif") return tiffSize(bytes);
    return std::nullopt;
}

}  // namespace qlxhost::cli
