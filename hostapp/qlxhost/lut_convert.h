// qlxhost convert: any LUT file its authors' rules describe, written as a
// .cube (or 12-bit .3dl) that the plugin's strict reader loads and renders as
// meant: shapers, domains and 1D tables baked into the grid, larger grids
// resampled to 65 points.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

struct ConvertOptions {
    std::string input;
    std::string output;      // empty: beside the input as NAME.fixed.cube
    bool overwrite = false;  // replace an existing output (the input too, when named)
};

// The plugin's 65-point grid in .cube order (red fastest), values on a 0..1 scale.
struct BakedGrid {
    int size = 0;
    std::vector<float> values;
    std::string title;  // the source's, when it has one
    std::vector<std::string> notes;
};

BakedGrid bakeLut(const std::string& inputPath);
// Writes `grid` to `path` (.cube or .3dl by its extension), proven to load in
// the plugin before it takes the final name. Throws CliError.
void writeGrid(const BakedGrid& grid, const std::string& path, const std::string& title,
               bool overwrite);

int runConvert(const ConvertOptions& options);

}  // namespace qlxhost::cli
