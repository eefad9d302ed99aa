// Row kernels of the LUT application. The scalar kernel is the reference that
// pins every rounding; the vector kernels give the same bytes, pixel for pixel.
#pragma once

#include <cstdint>

namespace qlx {

// Everything a row kernel reads; the LUT's own tables and grids, borrowed.
struct LutKernelParams {
    int size = 0;                            // N, 2 to 65
    const float* fraction = nullptr;         // 256 interpolation weights
    const std::int32_t* index = nullptr;     // 256 grid indices
    const float* grid = nullptr;             // [65][65][65][3]
    const float* fastGrid = nullptr;         // derived layout, see lut_fast_grid.h
    const std::uint8_t* mulTable = nullptr;  // [alpha][value] multiply table
};

enum class LutKernelKind { Automatic, Scalar, Sse41, Avx2, Avx512 };

// Tests and benchmarks force one kernel; Automatic picks the best the CPU runs.
// A forced kernel the CPU cannot run falls back to the scalar one.
void setLutKernelOverride(LutKernelKind kind);
// The kernel rows are mapped with now (never Automatic).
LutKernelKind activeLutKernel();
bool lutKernelSupported(LutKernelKind kind);
const char* lutKernelName(LutKernelKind kind);

// Maps `width` pixels of one row; `channels` is 3 or 4.
void mapLutRow(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst, int width,
               int channels);

// The individual kernels. The vector ones take 4-channel rows only and leave
// the pixels after the last whole vector to the scalar kernel.
void mapLutRowScalar(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                     int width, int channels);
int mapLutRowSse41(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                   int width);
int mapLutRowAvx2(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                  int width);
int mapLutRowAvx512(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                    int width);

}  // namespace qlx
