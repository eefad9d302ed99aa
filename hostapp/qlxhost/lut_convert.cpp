#include "lut_convert.h"

#include <fmt/core.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "cli_error.h"
#include "lut/cube_lut.h"
#include "lut_source.h"
#include "output_file.h"

namespace qlxhost::cli {
namespace {

constexpr int kPluginMaxSize = qlx::CubeLut::kGridDim;

bool endsWith(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

std::string cubeText(const BakedGrid& grid, const std::string& title) {
    std::string text;
    if (!title.empty()) text += fmt::format("TITLE \"{}\"\n", title);
    text += fmt::format("LUT_3D_SIZE {}\n", grid.size);
    for (std::size_t i = 0; i < grid.values.size(); i += 3) {
        text += fmt::format("{} {} {}\n", grid.values[i], grid.values[i + 1], grid.values[i + 2]);
    }
    return text;
}

// 12-bit output, one shaper value per lattice point, blue fastest.
std::string threeDlText(const BakedGrid& grid) {
    const int n = grid.size;
    std::string text;
    for (int i = 0; i < n; ++i)
        text += fmt::format("{}{}", i ? " " : "", std::lround(1023.0 * i / (n - 1)));
    text += "\n";
    for (int r = 0; r < n; ++r) {
        for (int g = 0; g < n; ++g) {
            for (int b = 0; b < n; ++b) {
                const float* v = &grid.values[((static_cast<std::size_t>(b) * n + g) * n + r) * 3];
                auto code = [](float x) { return std::clamp(std::lround(x * 4095.0), 0L, 4095L); };
                text += fmt::format("{} {} {}\n", code(v[0]), code(v[1]), code(v[2]));
            }
        }
    }
    return text;
}

}  // namespace

BakedGrid bakeLut(const std::string& inputPath) {
    const SourceLut lut = readSourceLut(inputPath);
    BakedGrid grid;
    grid.notes = lut.notes;
    grid.title = lut.title;
    if (lut.isPlainGrid() && lut.size3d <= kPluginMaxSize) {
        grid.size = lut.size3d;
        grid.values = lut.table3d;
        return grid;
    }
    // Anything else is sampled at the plugin's largest grid, where its 8-bit
    // levels fall closest to lattice points.
    grid.size = kPluginMaxSize;
    const int n = grid.size;
    grid.values.resize(static_cast<std::size_t>(n) * n * n * 3);
    for (int b = 0, i = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r, i += 3) {
                const float in[3] = {static_cast<float>(r) / (n - 1),
                                     static_cast<float>(g) / (n - 1),
                                     static_cast<float>(b) / (n - 1)};
                evaluateSourceLut(lut, in, &grid.values[static_cast<std::size_t>(i)]);
            }
        }
    }
    grid.notes.push_back(lut.size3d > n
                             ? fmt::format("resampled from {} to {} points per axis", lut.size3d, n)
                             : fmt::format("baked into {} points per axis", n));
    return grid;
}

void writeGrid(const BakedGrid& grid, const std::string& path, const std::string& title,
               bool overwrite) {
    const bool threeDl = endsWith(path, ".3dl");
    if (!threeDl && !endsWith(path, ".cube")) {
        throw CliError(fmt::format("{}: the output must end in .cube or .3dl", path), kExitUsage);
    }
    std::error_code ec;
    if (!overwrite && std::filesystem::exists(path, ec)) {
        throw CliError(fmt::format("{}: exists; nothing written (--overwrite replaces it)", path));
    }
    OutputFile out(path);
    {
        std::ofstream file(out.temporaryPath(), std::ios::binary);
        file << (threeDl ? threeDlText(grid) : cubeText(grid, title));
        if (!file.flush()) throw CliError(fmt::format("{}: cannot be written", path));
    }
    auto check = std::make_unique<qlx::CubeLut>();
    if (!check->loadCubeFile(out.temporaryPath()) || check->size() != grid.size) {
        throw CliError(fmt::format("{}: the written LUT does not load in the plugin (status {})",
                                   path, check->status));
    }
    out.commit();
}

int runConvert(const ConvertOptions& options) {
    std::string output = options.output;
    if (output.empty()) {
        std::string stem = options.input;
        if (endsWith(stem, ".gz")) stem.resize(stem.size() - 3);
        const auto dot = stem.find_last_of('.');
        if (dot != std::string::npos && dot > stem.find_last_of("/\\") + 1) stem.resize(dot);
        output = stem + ".fixed.cube";
    }
    const BakedGrid grid = bakeLut(options.input);
    const std::filesystem::path name = std::filesystem::path(options.input).stem();
    writeGrid(grid, output, grid.title.empty() ? name.string() : grid.title, options.overwrite);
    for (const std::string& note : grid.notes) fmt::print("  {}\n", note);
    fmt::print("{}: {} x {} x {}, loads in the plugin\n", output, grid.size, grid.size, grid.size);
    return kExitOk;
}

}  // namespace qlxhost::cli
