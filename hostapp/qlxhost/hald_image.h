// qlxhost hald: a LUT as a HALD CLUT image, the identity HALD rendered
// through the plugin, for any tool that applies HALD images.
#pragma once

#include <string>

namespace qlxhost::cli {

struct HaldOptions {
    std::string lutFile;
    std::string output;  // .png or .tif
    int level = 8;       // level L: an L³ x L³ image of an L²-point cube
};

int runHald(const HaldOptions& options);

}  // namespace qlxhost::cli
