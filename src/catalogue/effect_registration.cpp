// Describing one filter to the host's effect descriptor.
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "common/log.h"
#include "common/process_state.h"

namespace {

// Effect flags; the 0x100 bit tells the host the effect can render in OpenGL.
constexpr std::uint32_t kFlagsWithOpenGL = 0x972;
constexpr std::uint32_t kFlagsWithoutOpenGL = 0x872;

void addPercentParam(QLXEffectDescriptor* descriptor, int index, const char* name,
                     int defaultValue) {
    descriptor->vtbl->AddIntParam(descriptor, -1, index, name, name, 0, 100, defaultValue, 1, 2);
}

}  // namespace

std::int32_t NLEFilterRegistry::registerEffect(const std::shared_ptr<NLEFilterInfo>& info,
                                               QLXEffectDescriptor* descriptor) const {
    if (!info || !descriptor || !descriptor->vtbl) return kQLXBadArgument;
    char guid[512];
    char name[512];
    info->getGuid(guid, sizeof guid);
    info->getName(name, sizeof name);

    descriptor->vtbl->SetIdentity(descriptor, guid, name);
    descriptor->vtbl->SetFlags(descriptor, qlx::processState().openGLDevicePresent
                                               ? kFlagsWithOpenGL
                                               : kFlagsWithoutOpenGL);
    descriptor->vtbl->SetOption(descriptor, 0);

    // Only the user-chosen LUT filter lets the user pick its LUT file.
    int index = 0;
    if (info->guid() == kUserLutGuid) {
        descriptor->vtbl->AddStringParam(descriptor, -1, index++, "lut3dPath", "lut3dPath", nullptr,
                                         0);
    }
    addPercentParam(descriptor, index++, "alpha", 100);
    addPercentParam(descriptor, index, "skinProtect", 0);

    qlx::hostLog(kQLXLogInfo, "Register LUT Effect Success: %s %s", guid, name);
    return kQLXSuccess;
}
