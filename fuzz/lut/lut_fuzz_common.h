// What every LUT-file fuzz target does with one input: both loads of the
// grid and texture forms, then, for a grid that loaded, one small image
// mapped with the scalar kernel and with the kernel the CPU picks, which
// must give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lut/byte_source.h"
#include "lut/cube_lut.h"
#include "lut/lut_kernel.h"

namespace qlx::fuzz {

inline void mapSmallImage(CubeLut& lut, const std::uint8_t* data, std::size_t size) {
    constexpr int kWidth = 37, kHeight = 3;
    std::vector<std::uint8_t> src(kWidth * kHeight * 4);
    for (std::size_t i = 0; i < src.size(); ++i) {
        src[i] = static_cast<std::uint8_t>(size == 0 ? i * 41 : data[i % size] + i * 41);
    }
    std::vector<std::uint8_t> scalar(src.size()), fast(src.size());
    setLutKernelOverride(LutKernelKind::Scalar);
    lut.apply(scalar.data(), kWidth * 4, src.data(), kWidth, kHeight, kWidth * 4, 4);
    setLutKernelOverride(LutKernelKind::Automatic);
    lut.apply(fast.data(), kWidth * 4, src.data(), kWidth, kHeight, kWidth * 4, 4);
    if (std::memcmp(scalar.data(), fast.data(), src.size()) != 0) std::abort();
}

// The objects live across inputs, as a renderer's LUT lives across loads:
// every load must stand on its own whatever the one before left behind.
inline void loadEveryWay(const std::uint8_t* data, std::size_t size, LutFileFormat format) {
    static CubeLut* const grid = new CubeLut();
    static CubeLut* const packed = new CubeLut(true, true);
    static CubeLut* const unpacked = new CubeLut(false, false);
    {
        MemoryByteSource source(data, size);
        const bool loaded = grid->loadFromSource(source, format, false);
        if (loaded != (grid->status == 0)) std::abort();
        if (loaded) mapSmallImage(*grid, data, size);
    }
    for (CubeLut* lut : {packed, unpacked}) {
        MemoryByteSource source(data, size);
        const bool loaded = lut->loadFromSource(source, format, true);
        if (loaded && lut->packed() && lut->packedList().size() != lut->entryCount * 3u) {
            std::abort();
        }
    }
}

}  // namespace qlx::fuzz
