#include "picture_metadata.h"

#include <exiv2/exiv2.hpp>

namespace qlxhost::cli {
namespace {

bool holdsMetadata(Exiv2::Image& image) {
    return !image.exifData().empty() || !image.xmpData().empty() || !image.iptcData().empty() ||
           image.iccProfileDefined();
}

void readBack(Exiv2::BasicIo& io, std::vector<unsigned char>& bytes) {
    io.open();
    bytes.resize(io.size());
    const long got = io.read(bytes.data(), static_cast<long>(bytes.size()));
    io.close();
    if (got != static_cast<long>(bytes.size())) throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
}

}  // namespace

std::string copyMetadata(const std::string& source, std::vector<unsigned char>& target) {
    // Its warnings would reach the terminal; failures come back as exceptions.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    try {
        auto from = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(source.data()),
                                              static_cast<long>(source.size()));
        from->readMetadata();
        if (!holdsMetadata(*from)) return {};
        auto to = Exiv2::ImageFactory::open(target.data(), static_cast<long>(target.size()));
        to->readMetadata();
        Exiv2::ExifData exif = from->exifData();
        Exiv2::ExifThumb(exif).erase();
        to->setExifData(exif);
        to->setXmpData(from->xmpData());
        to->setIptcData(from->iptcData());
        if (from->iccProfileDefined()) to->setIccProfile(*from->iccProfile());
        to->writeMetadata();
        readBack(to->io(), target);
        return {};
    } catch (const Exiv2::AnyError& e) {
        return e.what();
    }
}

}  // namespace qlxhost::cli
