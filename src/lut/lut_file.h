// A LUT file as the plugin reads it: one value that every consumer builds its
// own form from (the CPU/OpenCL grid and tables, the OpenGL texture), or the
// problems, each with its status code, line and sentence, that stop the plugin
// from using it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lut/lut_status.h"

namespace qlx {

class LutTextReader;

enum class LutFileFormat { Cube, ThreeDl };

// The input axis that varies fastest from one entry line to the next.
enum class LutAxisOrder {
    RedFastest,   // .CUBE: red, then green, then blue
    BlueFastest,  // .3DL: the last axis fastest, red slowest
};

// One problem the plugin's loader meets in a file.
struct LutLoadError {
    std::int32_t status = kLutLoaded;  // LutStatus code
    int line = 0;                      // 1-based line of the file; 0 when none applies
    std::string sentence;              // what is wrong, for a person
};

// What the loader read from a file. Line numbers are 0 for what the file
// does not hold.
struct LutFile {
    LutFileFormat format = LutFileFormat::Cube;
    LutAxisOrder order = LutAxisOrder::RedFastest;
    // Points per axis the header set; 0 when it set none (the loader's size
    // then stays what an earlier load left).
    int size = 0;
    float domainMin[3] = {0.0f, 0.0f, 0.0f};  // .CUBE DOMAIN_MIN
    float domainMax[3] = {1.0f, 1.0f, 1.0f};  // .CUBE DOMAIN_MAX
    // The entry value that means full output: 1 for .CUBE, 4095 for .3DL,
    // whose output is always read as 12-bit whatever its "Mesh" line says.
    float outputMax = 1.0f;
    // The entries read before the loader stopped (size³ when it loaded), three
    // floats each, in file order and as written: a number that an entry line
    // lacks repeats the previous entry's.
    std::vector<float> entries;

    // Declarations, for explanations.
    int sizeLine = 0;  // LUT_3D_SIZE, or the .3DL shaper line whose field count is the size
    int domainMinLine = 0;
    int domainMaxLine = 0;
    int oneDSizeLine = 0;    // LUT_1D_SIZE: a 1D table the plugin does not apply
    int inputRangeLine = 0;  // LUT_1D_INPUT_RANGE / LUT_3D_INPUT_RANGE, not applied
    std::string inputRangeKeyword;
    int shaperValues = 0;  // .3DL: numbers on the shaper line (its fields may count more)
    std::vector<int> shortEntryLines;  // entry lines holding fewer than three numbers
    float largestValue = 0.0f;         // largest number on any entry line read

    std::size_t entryTotal() const { return entries.size() / 3; }
    // Entry `index` on the grid's 0-255 output scale (CPU and OpenCL): .CUBE
    // values times (DOMAIN_MAX - DOMAIN_MIN) x 255, .3DL values / 4095 x 255.
    void gridValue(std::size_t index, float out[3]) const;
    // Entry `index` for the OpenGL texture: .CUBE values mapped from the
    // domain onto 0-1 and clamped (not-a-number gives 0), .3DL values / 4095;
    // times 255 unless `normalized`.
    void textureValue(std::size_t index, bool normalized, float out[3]) const;
    // The texture's entries in file order (3 floats each), textureValue() each.
    std::vector<float> textureTable(bool normalized) const;
    // Grid indices [r][g][b] of entry `index`.
    void gridIndex(std::size_t index, int* r, int* g, int* b) const;
};

struct LutReading {
    LutFile lut;
    // Every problem found; the first is the one the loader stops at and its
    // status is the load's. Problems after it are what a reading that goes
    // on finds (the loader itself ignores them).
    std::vector<LutLoadError> errors;
    // The loader got through the header without a problem and began the
    // entries (a file that ends among them still fails).
    bool entriesBegun = false;

    std::int32_t status() const { return errors.empty() ? kLutLoaded : errors.front().status; }
    bool loaded() const { return errors.empty(); }
};

// The format a path's extension names (".CUBE" or ".3DL" in any letter case,
// from the last "." of the whole path); none for anything else.
std::optional<LutFileFormat> lutFormatOf(const std::string& path);

// Reads a LUT text with one grammar. The reader stays where the LUT ended,
// for a caller that wants to look at what follows.
LutReading readLut(LutTextReader& text, LutFileFormat format);

// Opens a UTF-8 path and reads it by its extension; none when the extension
// is not supported or the file cannot be opened.
std::optional<LutReading> readLutFile(const std::string& utf8Path);

}  // namespace qlx
