#include "render/gl/opengl_description.h"

#include <utility>

#include "catalogue/filter_info.h"
#include "catalogue/filter_params.h"

namespace tonekit {

std::shared_ptr<NLEFilterInfo> makeOpenGLDescription(const std::string& openGLProgramPath) {
    auto description = std::make_shared<NLEFilterInfo>();
    description->setOpenGLProgramPath(openGLProgramPath);
    description->setEncrypted(1);
    // Ascending key order decides the indices.
    const std::pair<const char*, int> settings[] = {
        {"alpha", 100}, {"lutSize", 32}, {"skinProtectStrength", 0}};
    int index = 0;
    for (const auto& [key, value] : settings) {
        auto param = std::make_shared<NLEFilterParams>();
        param->setAlias(key);
        param->setName(key);
        param->setType(kNLEParamInt);
        NLEFilterParamValue cell = NLEFilterParamValue::ofInt(value);
        cell.type = kNLEParamInt;
        param->setValue(cell);
        description->addParam(index++, param);
    }
    description->setParamCount(static_cast<std::uint32_t>(index));
    return description;
}

}  // namespace tonekit
