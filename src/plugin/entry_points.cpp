// Registration, effect creation and release.
#include "plugin/entry_points.h"

#include <memory>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "common/log.h"
#include "common/process_state.h"
#include "effect/lut_effect.h"
#include "skin/segmentation_hooks.h"

namespace qlx {

std::int32_t registerEffectAt(std::int32_t index, QLXEffectDescriptor* descriptor) {
    if (index < 0 || !descriptor) return kQLXBadArgument;
    NLEFilterRegistry* registry = NLEFilterRegistry::instance();
    if (!registry) return kQLXBadArgument;
    // An index at or past the count is the host's error; the load order may be
    // longer than the count, so it is the bound that keeps the lookup safe.
    std::shared_ptr<NLEFilterInfo> info = registry->filterAt(static_cast<std::size_t>(index));
    if (!info || static_cast<std::size_t>(index) >= registry->filterCount()) return kQLXBadArgument;
    return registry->registerEffect(info, descriptor);
}

std::int32_t registerEffectFolder(const char* folder, QLXEffectDescriptor* descriptor) {
    if (!folder || !descriptor) return kQLXBadArgument;
    NLEFilterRegistry* registry = NLEFilterRegistry::instance();
    std::shared_ptr<NLEFilterInfo> info = registry ? registry->scanFolder(folder, true) : nullptr;
    if (!info) {
        hostLog(kQLXLogError, "Register LUT Effect Failed: %s", folder);
        return kQLXBadArgument;
    }
    return registry->registerEffect(info, descriptor);
}

std::int32_t createEffect(const char* guid, std::uint32_t renderMode, QLXEffect** effect) {
    NLEFilterRegistry* registry = NLEFilterRegistry::instance();
    std::shared_ptr<NLEFilterInfo> filter = registry && guid ? registry->findByGuid(guid) : nullptr;
    if (!filter) {
        hostLog(kQLXLogError, "Create LUT Effect Failed: %s", guid ? guid : "(null)");
        return kQLXBadArgument;
    }
    if (!effect) return kQLXBadArgument;
    std::shared_ptr<NLEFilterInfo> root = registry->root();
    if (!root) return kQLXBadArgument;

    // The root description carries the LUT file of the filter being created.
    // The effect takes its copy in the same step: reading the root's path again
    // later could see another thread's creation.
    const std::string lutPath = registry->adoptLutPath(*filter);

    void* segmentation = segmentationHooks().create(kSkinSegmentationGuid);
    *effect = new tonekit::QLXLutEffect(root, filter, lutPath, suiteTable().gpuDevice, renderMode,
                                        segmentation);
    hostLog(kQLXLogInfo, "Create LUT Effect Success: %s", guid);
    return kQLXSuccess;
}

void releaseEffect(QLXEffect* effect) {
    delete dynamic_cast<tonekit::QLXLutEffect*>(effect);
}

}  // namespace qlx
