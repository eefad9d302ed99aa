// Row kernels of the LUT application. The scalar kernel is the reference that
// pins every rounding; the vector kernels give the same bytes, pixel for pixel.
#pragma once

#include <cstdint>
#include <functional>

namespace qlx {

struct LutKernelParams;

// A vector kernel: maps a whole row of 4-channel pixels, returns the count.
using LutVectorRow = int (*)(const LutKernelParams& params, const std::uint8_t* src,
                             std::uint8_t* dst, int width);

// Everything a row kernel reads; the LUT's own tables and grids, borrowed.
struct LutKernelParams {
    int size = 0;                            // N, 2 to 65
    const float* fraction = nullptr;         // 256 interpolation weights
    const std::int32_t* index = nullptr;     // 256 grid indices
    const float* grid = nullptr;             // [65][65][65][3]
    const float* fastGrid = nullptr;         // derived layout, see lut_fast_grid.h
    const std::uint8_t* mulTable = nullptr;  // [alpha][value] multiply table
    // The grid coordinate v ÷ step of the interpolation tables. When
    // `reciprocalExact`, q = v·reciprocal corrected once by
    // fma(fma(−q, step, v), reciprocal, q) gives the same float for every
    // level, and the kernels use that instead of a division.
    float step = 0.0f;
    float reciprocal = 0.0f;
    bool reciprocalExact = false;
    // The vector kernel for 4-channel rows, picked once per LUT; null: scalar.
    LutVectorRow vectorRow = nullptr;
};

// Work that follows the mapping of a row (blends), run on the thread that
// mapped it while the row is still in cache; gets the row number.
using LutRowDone = std::function<void(int row)>;

enum class LutKernelKind { Automatic, Scalar, Sse41, Avx2, Avx512 };

// Tests and benchmarks force one kernel (the CPU renderer's blend follows it);
// Automatic picks the best the CPU runs. A forced kernel the CPU cannot run
// falls back to the scalar one.
void setLutKernelOverride(LutKernelKind kind);
// The kernel a LUT prepared now would use (never Automatic).
LutKernelKind activeLutKernel();
bool lutKernelSupported(LutKernelKind kind);
const char* lutKernelName(LutKernelKind kind);
// The vector kernel of `kind`, or null for the scalar one.
LutVectorRow lutVectorRow(LutKernelKind kind);

// Maps `width` pixels of one row; `channels` is 3 or 4.
void mapLutRow(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst, int width,
               int channels);

// The individual kernels; the vector ones map whole rows.
void mapLutRowScalar(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                     int width, int channels);
int mapLutRowSse41(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                   int width);
int mapLutRowAvx2(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                  int width);
int mapLutRowAvx512(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                    int width);

// The byte conversion of a vector kernel alone (c + 0.5 rounded to nearest
// even and saturated, as the scalar kernel does in double precision), for
// checking it over every float: `count` is a multiple of 64.
void lutRoundSse41(const float* values, std::uint8_t* bytes, int count);
void lutRoundAvx2(const float* values, std::uint8_t* bytes, int count);
void lutRoundAvx512(const float* values, std::uint8_t* bytes, int count);
// The scalar kernel's byte conversion.
std::uint8_t lutRoundScalar(float value);

}  // namespace qlx
