// One 3D colour lookup table read from a ".CUBE" or ".3DL" file, in grid form
// (for the CPU and OpenCL renderers) or packed form (for the OpenGL renderer),
// and its tetrahedral application to 8-bit BGR/BGRA images. Both forms are
// built from the LutFile value the readers produce (lut/lut_file.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lut/lut_fast_grid.h"
#include "lut/lut_file.h"

namespace qlx {

class ByteSource;

// About 3.3 MB with its grid held inline: owners create it on the heap. Used
// by one thread at a time; a load must not overlap an application.
class CubeLut {
  public:
    static constexpr int kGridDim = 65;  // fixed stride of every grid axis
    static constexpr std::size_t kGridFloats =
        static_cast<std::size_t>(kGridDim) * kGridDim * kGridDim * 3;
    static constexpr int kLevels = 256;

    CubeLut();
    CubeLut(bool packed, bool normalized);
    virtual ~CubeLut();

    CubeLut(const CubeLut&) = delete;
    CubeLut& operator=(const CubeLut&) = delete;

    // Grid form: grid, both interpolation tables, `size` and `entryCount`.
    bool loadCubeFile(const std::string& utf8Path);
    // Packed form (or the grid when `packed` is off); leaves the tables alone.
    bool loadCubeFileForTexture(const std::string& utf8Path);

    // The same readers over bytes that are already at hand (memory, fuzzing).
    // `forTexture` picks the load: false as loadCubeFile, true as
    // loadCubeFileForTexture. Returns true when `status` ends 0.
    bool loadFromSource(ByteSource& source, LutFileFormat format, bool forTexture);

    const float* fractionTable(int* count = nullptr) const;
    const std::int32_t* indexTable(int* count = nullptr) const;
    // First float of the grid (packed off) or of the packed list (packed on).
    const float* table(int* width = nullptr, int* height = nullptr, int* depth = nullptr,
                       int* channels = nullptr) const;
    int size() const { return size_; }

    // Maps every pixel of an 8-bit BGR (3) or BGRA (4) image through the grid.
    // Returns 0, or 23 when `size` is unusable (image untouched). `rowDone`,
    // when set, runs after each row is mapped, on the thread that mapped it.
    int apply(std::uint8_t* dst, int dstPitch, const std::uint8_t* src, int width, int height,
              int srcPitch, int channels, const LutRowDone& rowDone = nullptr);

    // Result of the last load (LutStatus codes); apply also sets it to 0.
    std::int32_t status = kLutNeverLoaded;
    // size³, set by every load as soon as its header has been read.
    std::uint32_t entryCount = 0;

    bool packed() const { return packed_; }
    bool normalized() const { return normalized_; }
    const std::vector<float>& packedList() const { return packedList_; }

  private:
    enum class LoadTarget { Grid, Texture };

    bool load(const std::string& utf8Path, LoadTarget target);
    // Builds the chosen form from what a reader read.
    bool adopt(const LutReading& reading, LoadTarget target);
    // Sets entryCount; with a sound header, also the grid's extent and tables.
    void beginEntries(LoadTarget target, bool headerSound);
    void buildInterpolationTables();
    void storeEntries(const LutFile& lut, LoadTarget target);
    float* gridEntry(int r, int g, int b) {
        return grid_ + ((static_cast<std::size_t>(r) * kGridDim + g) * kGridDim + b) * 3;
    }
    void clearGrid();

    std::int32_t size_ = 0;
    float fraction_[kLevels] = {};
    std::int32_t index_[kLevels] = {};
    float grid_[kGridFloats];
    // Entries [0, extent)³ may be non-zero; a load clears only those.
    int gridExtent_ = kGridDim;
    std::vector<float> packedList_;
    bool packed_ = false;
    bool normalized_ = false;

    // Derived, padded copy of the grid for the vector kernels; rebuilt on the
    // first application after a load.
    LutFastGrid fastGrid_;
    bool gridLoaded_ = false;  // the last load was a successful grid load
};

}  // namespace qlx
