#include "lut/cube_lut.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "common/platform.h"
#include "lut/byte_source.h"
#include "lut/lut_text_reader.h"

namespace qlx {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The extension runs from the path's last "." to its end, compared in upper
// case by the plain ASCII rule.
bool formatFromPath(const std::string& path, LutFileFormat* format) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (extension == ".3DL") {
        *format = LutFileFormat::ThreeDl;
        return true;
    }
    if (extension == ".CUBE") {
        *format = LutFileFormat::Cube;
        return true;
    }
    return false;
}

}  // namespace

CubeLut::CubeLut() : CubeLut(false, false) {}

CubeLut::CubeLut(bool packed, bool normalized) : packed_(packed), normalized_(normalized) {}

CubeLut::~CubeLut() = default;

bool CubeLut::loadCubeFile(const std::string& utf8Path) {
    return load(utf8Path, LoadTarget::Grid);
}

bool CubeLut::loadCubeFileForTexture(const std::string& utf8Path) {
    return load(utf8Path, LoadTarget::Texture);
}

bool CubeLut::load(const std::string& utf8Path, LoadTarget target) {
    LutFileFormat format;
    if (!formatFromPath(utf8Path, &format)) return false;
    std::unique_ptr<std::FILE, FileCloser> file(platform::openForSharedRead(utf8Path));
    if (!file) return false;
    FileByteSource source(file.get());
    return loadFromSource(source, format, target == LoadTarget::Texture);
}

bool CubeLut::loadFromSource(ByteSource& source, LutFileFormat format, bool forTexture) {
    const LoadTarget target = forTexture ? LoadTarget::Texture : LoadTarget::Grid;
    status = kLoaded;
    clearGrid();
    fastGrid_.invalidate();
    gridLoaded_ = false;
    if (target == LoadTarget::Texture) packedList_.clear();

    auto reader = std::make_unique<LutTextReader>(source);
    if (!reader->detectTerminator()) {
        status = kNoLineBreak;
        return false;
    }
    if (format == LutFileFormat::ThreeDl) {
        readThreeDl(*reader, target);
    } else {
        readCube(*reader, target);
    }
    gridLoaded_ = status == kLoaded && target == LoadTarget::Grid;
    return status == kLoaded;
}

void CubeLut::clearGrid() {
    if (gridExtent_ == kGridDim) {
        std::memset(grid_, 0, sizeof grid_);
    } else {
        for (int r = 0; r < gridExtent_; ++r) {
            for (int g = 0; g < gridExtent_; ++g) {
                std::memset(gridEntry(r, g, 0), 0, sizeof(float) * 3 * gridExtent_);
            }
        }
    }
    gridExtent_ = 0;
}

void CubeLut::buildInterpolationTables() {
    if (status != kLoaded) return;
    const float step = 255.0f / static_cast<float>(size_ - 1);
    for (int v = 0; v < kLevels; ++v) {
        const float x = static_cast<float>(v) / step;
        const float whole = std::floor(x);
        index_[v] = static_cast<std::int32_t>(whole);
        fraction_[v] = x - whole;
    }
    // The last level lands exactly on the last grid point. The division alone
    // leaves a fraction of a few 1e-7 there for sizes 8, 15, 29, 57 and 64.
    index_[kLevels - 1] = size_ - 1;
    fraction_[kLevels - 1] = 0.0f;
}

void CubeLut::storeEntry(LoadTarget target, int r, int g, int b, const float value[3]) {
    if (target == LoadTarget::Texture && packed_) {
        packedList_.insert(packedList_.end(), value, value + 3);
        return;
    }
    float* entry = gridEntry(r, g, b);
    entry[0] = value[0];
    entry[1] = value[1];
    entry[2] = value[2];
}

bool CubeLut::nextLine(LutTextReader& reader) {
    const LutTextReader::Result result = reader.nextSignificantLine();
    if (result == LutTextReader::Result::Line) return true;
    status = result == LutTextReader::Result::PastEnd ? kPastEndOfFile : kNothingLeft;
    return false;
}

void CubeLut::beginEntries(LoadTarget target) {
    entryCount = static_cast<std::uint32_t>(size_) * static_cast<std::uint32_t>(size_) *
                 static_cast<std::uint32_t>(size_);
    if (status == kLoaded && !(target == LoadTarget::Texture && packed_)) {
        gridExtent_ = size_;  // entries are written below this index only
    }
    if (target == LoadTarget::Grid) {
        buildInterpolationTables();
    } else if (packed_ && status == kLoaded) {
        packedList_.reserve(static_cast<std::size_t>(entryCount) * 3);
    }
}

const float* CubeLut::fractionTable(int* count) const {
    if (count != nullptr) *count = kLevels;
    return fraction_;
}

const std::int32_t* CubeLut::indexTable(int* count) const {
    if (count != nullptr) *count = kLevels;
    return index_;
}

const float* CubeLut::table(int* width, int* height, int* depth, int* channels) const {
    for (int* axis : {width, height, depth}) {
        if (axis != nullptr) *axis = size_;
    }
    if (channels != nullptr) *channels = 3;
    return packed_ ? packedList_.data() : grid_;
}

}  // namespace qlx
