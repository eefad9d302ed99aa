// What the CPU and OpenCL renderers share: how the settings reach them and
// which LUT file a frame should use.
#pragma once

#include <string>

#include "render/common/lut_renderer.h"

namespace qlx {

// The filter whose LUT file the user picks through "lut3dPath".
inline constexpr char kCustomLutFilterGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

// Results of the renderers' own frame operations.
enum RendererResult : int {
    kRenderOk = 0,
    kRenderFailed = 1,
    kRenderNoInput = 6,
};

class LutRendererParams {
  public:
    // `lutPath` is the created filter's LUT file; `filterGuid` its GUID.
    LutRendererParams(std::string lutPath, std::string filterGuid);

    // Takes the strength and, when the host gave one, the user's LUT file:
    // at most 511 bytes of it, with the first "file:/" removed wherever it
    // stands. An empty file is taken too.
    void update(const LutSettings& settings);

    // The LUT file this frame should use, or empty when the frame passes
    // through: the custom-LUT filter before the user chose a file, or no file
    // at all. A chosen file replaces the filter's own from then on.
    const std::string& lutForFrame();

    // Percent; strengths outside 0-100 are the host's error and are held to it.
    int alpha() const { return alpha_; }

  private:
    int alpha_ = 100;
    std::string currentPath_;
    std::string paramPath_;
    std::string filterGuid_;
};

// Removes the first occurrence of "file:/" anywhere in `text`.
std::string withoutFirstFileScheme(std::string text);

}  // namespace qlx
