// A LUT file read the way its format's authors mean it, for conversion into a
// file the plugin's strict reader takes: .cube (IRIDAS DOMAIN_MIN/MAX, 1D-only,
// 1D shaper + 3D with INPUT_RANGE lines, sizes up to 256), .3dl (shaper lines
// with any spacing, 10/12/16-bit output, Mesh lines), gzip-compressed files of
// either, and HALD CLUT images.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

struct SourceLut {
    // First stage: a per-channel 1D table over [inMin, inMax] (empty: none).
    int size1d = 0;
    std::vector<float> table1d;  // size1d triplets
    float inMin1d[3] = {0, 0, 0}, inMax1d[3] = {1, 1, 1};

    // Second stage: a 3D table, red fastest (size3d 0: none).
    int size3d = 0;
    std::vector<float> table3d;  // size3d³ triplets
    float inMin3d[3] = {0, 0, 0}, inMax3d[3] = {1, 1, 1};
    // Input value of each lattice index on every axis when not uniform (.3dl shapers).
    std::vector<float> latticeInputs;

    std::string title;
    std::vector<std::string> notes;  // what this reading took differently from the plugin's

    // True when the 3D table alone, over 0..1, describes the whole LUT.
    bool isPlainGrid() const;
};

// Throws CliError with a one-line reason when the file cannot be understood.
SourceLut readSourceLut(const std::string& path);

// The LUT's output for an input colour on a 0..1 scale.
void evaluateSourceLut(const SourceLut& lut, const float in[3], float out[3]);

}  // namespace qlxhost::cli
