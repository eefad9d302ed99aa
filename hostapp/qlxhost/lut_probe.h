// qlxhost probe: what the plugin maps one colour to, with the grid cell and
// the tetrahedron its CPU application interpolates in.
#pragma once

#include <string>

namespace qlxhost::cli {

struct ProbeOptions {
    std::string lutFile;
    std::string red, green, blue;  // 0..255 integers, or 0..1 when any holds a '.'
};

int runProbe(const ProbeOptions& options);

}  // namespace qlxhost::cli
