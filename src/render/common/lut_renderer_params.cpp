#include "render/common/lut_renderer_params.h"

#include <cstring>

namespace qlx {

namespace {
const std::string kEmpty;
}

std::string withoutFirstFileScheme(std::string text) {
    const std::size_t at = text.find("file:/");
    if (at != std::string::npos) text.erase(at, 6);
    return text;
}

LutRendererParams::LutRendererParams(std::string lutPath, std::string filterGuid)
    : currentPath_(std::move(lutPath)), filterGuid_(std::move(filterGuid)) {}

int LutRendererParams::set(const char* name, std::uint32_t type, const NLEFilterParamValue& value) {
    if (!name) return kRenderOk;
    if (std::strcmp(name, "alpha") == 0) {
        if (type != kNLEParamInt) return kRenderWrongType;
        alpha_ = value.asInt();
    } else if (std::strcmp(name, "lut3dPath") == 0) {
        if (type != kNLEParamText) return kRenderWrongType;
        paramPath_ = withoutFirstFileScheme(value.asText());
    } else if (std::strcmp(name, "skinProtect") == 0) {
        skinProtect_ = value.asInt();
    }
    return kRenderOk;
}

const std::string& LutRendererParams::lutForFrame() {
    if (filterGuid_ == kCustomLutFilterGuid && paramPath_.empty()) return kEmpty;
    if (!paramPath_.empty()) currentPath_ = paramPath_;
    return currentPath_;
}

}  // namespace qlx
