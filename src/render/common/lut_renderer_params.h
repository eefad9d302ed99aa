// What the CPU and OpenCL renderers share: their parameters, how host values
// reach them, and which LUT file a frame should use.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/filter_param_value.h"

namespace qlx {

// The filter whose LUT file the user picks through "lut3dPath".
inline constexpr char kCustomLutFilterGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

// Renderer results.
enum RendererResult : int {
    kRenderOk = 0,
    kRenderFailed = 1,
    kRenderWrongType = 4,
    kRenderNoInput = 6,
};

class LutRendererParams {
  public:
    // `lutPath` is the created filter's LUT file; `filterGuid` its GUID.
    LutRendererParams(std::string lutPath, std::string filterGuid);

    // "alpha" (type 5 only), "lut3dPath" (type 6 only; the first "file:/" is
    // removed wherever it stands), "skinProtect" (its integer, whatever the
    // type). Other names are ignored. Returns 0, or 4 for a refused type.
    int set(const char* name, std::uint32_t type, const NLEFilterParamValue& value);

    // The LUT file this frame should use, or empty when the frame passes
    // through: the custom-LUT filter before the user chose a file, or no file
    // at all. A chosen file replaces the filter's own from then on.
    const std::string& lutForFrame();

    int alpha() const { return alpha_; }
    int skinProtect() const { return skinProtect_; }

  private:
    int alpha_ = 100;
    int skinProtect_ = 0;
    std::string currentPath_;
    std::string paramPath_;
    std::string filterGuid_;
};

// Removes the first occurrence of "file:/" anywhere in `text`.
std::string withoutFirstFileScheme(std::string text);

}  // namespace qlx
