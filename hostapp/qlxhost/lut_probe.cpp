#include "lut_probe.h"

#include <fmt/core.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "cli_error.h"
#include "lut/cube_lut.h"
#include "plugin_lut.h"

namespace qlxhost::cli {
namespace {

// The six tetrahedra of the CPU application, in the order it tests them.
const char* tetrahedron(float fr, float fg, float fb) {
    if (fr > fg) {
        if (fg > fb) return "fr > fg > fb: corners 000 100 110 111";
        if (fr > fb) return "fr > fb >= fg: corners 000 100 101 111";
        return "fb >= fr > fg: corners 000 001 101 111";
    }
    if (fb > fg) return "fb > fg >= fr: corners 000 001 011 111";
    if (fb > fr) return "fg >= fb > fr: corners 000 010 011 111";
    return "fg >= fr >= fb: corners 000 010 110 111";
}

// The plugin renders 8-bit pixels: a 0..1 value is rounded to the nearest level.
std::uint8_t level(const std::string& text, bool unit, const char* channel) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    const double top = unit ? 1.0 : 255.0;
    if (text.empty() || *end != '\0' || !(v >= 0.0 && v <= top) || (!unit && v != std::floor(v))) {
        throw CliError(fmt::format("{} value '{}' is not {}", channel, text,
                                   unit ? "a number from 0 to 1" : "a whole number from 0 to 255"),
                       kExitUsage);
    }
    return static_cast<std::uint8_t>(unit ? std::lround(v * 255.0) : v);
}

}  // namespace

int runProbe(const ProbeOptions& options) {
    const bool unit = (options.red + options.green + options.blue).find('.') != std::string::npos;
    const std::uint8_t r = level(options.red, unit, "red");
    const std::uint8_t g = level(options.green, unit, "green");
    const std::uint8_t b = level(options.blue, unit, "blue");

    auto lut =
        loadPluginLut(options.lutFile, "'qlxhost check' says why, 'qlxhost convert' may repair it");
    const std::uint8_t in[3] = {b, g, r};  // BGR, as the plugin's frames
    std::uint8_t out[3] = {};
    lut->apply(out, 3, in, 1, 1, 3, 3);

    const float* fraction = lut->fractionTable();
    const std::int32_t* index = lut->indexTable();
    const int top = lut->size() - 1;
    auto cell = [&](const char* name, std::uint8_t v) {
        return fmt::format("{} {}..{} ({:.4f})", name, index[v], std::min(index[v] + 1, top),
                           fraction[v]);
    };
    fmt::print("LUT     {} ({} points per axis)\n", options.lutFile, lut->size());
    if (unit) {
        fmt::print("in      R {} G {} B {} (8-bit {} {} {})\n", options.red, options.green,
                   options.blue, r, g, b);
    } else {
        fmt::print("in      R {} G {} B {}\n", r, g, b);
    }
    fmt::print("cell    {}, {}, {}\n", cell("red", r), cell("green", g), cell("blue", b));
    fmt::print("tetra   {}\n", tetrahedron(fraction[r], fraction[g], fraction[b]));
    fmt::print("out     R {} G {} B {} ({:.4f} {:.4f} {:.4f})\n", out[2], out[1], out[0],
               out[2] / 255.0, out[1] / 255.0, out[0] / 255.0);
    return kExitOk;
}

}  // namespace qlxhost::cli
