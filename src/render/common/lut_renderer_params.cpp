#include "render/common/lut_renderer_params.h"

#include <algorithm>

namespace qlx {

namespace {
const std::string kEmpty;
// The longest LUT file text the renderers take, as a host value cell holds it.
constexpr std::size_t kLongestPath = 511;
}  // namespace

std::string withoutFirstFileScheme(std::string text) {
    const std::size_t at = text.find("file:/");
    if (at != std::string::npos) text.erase(at, 6);
    return text;
}

LutRendererParams::LutRendererParams(std::string lutPath, std::string filterGuid)
    : currentPath_(std::move(lutPath)), filterGuid_(std::move(filterGuid)) {}

void LutRendererParams::update(const LutSettings& settings) {
    alpha_ = std::clamp(settings.alpha, 0, 100);
    if (settings.lutPath)
        paramPath_ = withoutFirstFileScheme(settings.lutPath->substr(0, kLongestPath));
}

const std::string& LutRendererParams::lutForFrame() {
    if (filterGuid_ == kCustomLutFilterGuid && paramPath_.empty()) return kEmpty;
    if (!paramPath_.empty()) currentPath_ = paramPath_;
    return currentPath_;
}

}  // namespace qlx
