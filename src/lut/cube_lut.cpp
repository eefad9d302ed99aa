#include "lut/cube_lut.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>

#include "lut/byte_source.h"
#include "lut/lut_text_reader.h"

namespace qlx {

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
    const std::optional<LutReading> reading = readLutFile(utf8Path);
    return reading && adopt(*reading, target);
}

bool CubeLut::loadFromSource(ByteSource& source, LutFileFormat format, bool forTexture) {
    auto text = std::make_unique<LutTextReader>(source);
    return adopt(readLut(*text, format), forTexture ? LoadTarget::Texture : LoadTarget::Grid);
}

bool CubeLut::adopt(const LutReading& reading, LoadTarget target) {
    status = reading.status();
    clearGrid();
    fastGrid_.invalidate();
    gridLoaded_ = false;
    if (target == LoadTarget::Texture) packedList_.clear();
    if (status == kLutNoLineBreak) return false;  // nothing was read

    const LutFile& lut = reading.lut;
    if (lut.size != 0) size_ = lut.size;  // else the size of an earlier load stays
    // A .CUBE load ends here when the size is above the grid's, the size of an
    // earlier load included.
    if (lut.format == LutFileFormat::Cube && size_ > kGridDim) {
        status = kLutBadSize;
        return false;
    }
    beginEntries(target, reading.entriesBegun);
    storeEntries(lut, target);
    gridLoaded_ = status == kLutLoaded && target == LoadTarget::Grid;
    return status == kLutLoaded;
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

void CubeLut::storeEntries(const LutFile& lut, LoadTarget target) {
    if (target == LoadTarget::Texture && packed_) {
        packedList_ = lut.textureTable(normalized_);
        return;
    }
    for (std::size_t i = 0; i < lut.entryTotal(); ++i) {
        int r, g, b;
        lut.gridIndex(i, &r, &g, &b);
        if (target == LoadTarget::Grid) {
            lut.gridValue(i, gridEntry(r, g, b));
        } else {
            lut.textureValue(i, normalized_, gridEntry(r, g, b));
        }
    }
}

void CubeLut::beginEntries(LoadTarget target, bool headerSound) {
    entryCount = static_cast<std::uint32_t>(size_) * static_cast<std::uint32_t>(size_) *
                 static_cast<std::uint32_t>(size_);
    if (!headerSound) return;
    if (!(target == LoadTarget::Texture && packed_)) {
        gridExtent_ = size_;  // entries are written below this index only
    }
    if (target == LoadTarget::Grid) buildInterpolationTables();
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
