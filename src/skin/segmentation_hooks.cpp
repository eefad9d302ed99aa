#include "skin/segmentation_hooks.h"

#include "common/process_state.h"
#include "skin/ai_filter_log.h"
#include "skin/ai_filter_plugin.h"

namespace {

// ---- plugin missing: no filters, every segmentation fails ----

void* createNothing(const char*) {
    return nullptr;
}

void destroyNothing(void**) {}

std::int32_t failTransform(void*, std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, void*,
                           std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                           std::int32_t, std::int32_t, std::int32_t) {
    return 1;
}

// ---- plugin loaded ----

// The filter reads its resources from the host's resource folder; without a
// Host Util Suite no filter is made at all.
void* createInPlugin(const char* guid) {
    QLXHostUtilSuite* util = qlx::suiteTable().hostUtil;
    if (!util || !util->vtbl || !util->vtbl->GetPath) return nullptr;
    char resourceFolder[512] = "resources";
    util->vtbl->GetPath(util, kQLXPathResources, resourceFolder, sizeof resourceFolder);
    resourceFolder[sizeof resourceFolder - 1] = '\0';
    CreateNLEAIEffectFilterFromGUIDFn create = aiFilterPluginApi().createFromGuid();
    return create ? create(guid, resourceFolder) : nullptr;
}

void destroyInPlugin(void** handleVariable) {
    if (DeleteNLEAIEffectFilterFn remove = aiFilterPluginApi().deleteFilter())
        remove(handleVariable);
}

std::int32_t transformInPlugin(void* handle, std::uint8_t* dst, std::int32_t width,
                               std::int32_t height, std::int32_t dstPitch, void* reserved,
                               std::int32_t reserved1, std::int32_t reserved2,
                               std::int32_t reserved3, const std::uint8_t* src,
                               std::int32_t srcWidth, std::int32_t srcHeight,
                               std::int32_t srcPitch) {
    NLEEffectFilterTransformFn transform = aiFilterPluginApi().transform();
    if (!transform) return 1;
    return transform(handle, dst, width, height, dstPitch, reserved, reserved1, reserved2,
                     reserved3, src, srcWidth, srcHeight, srcPitch);
}

constexpr SegmentationHooks kFallbackHooks{createNothing, destroyNothing, failTransform};
constexpr SegmentationHooks kPluginHooks{createInPlugin, destroyInPlugin, transformInPlugin};

SegmentationHooks& hooks() {
    static SegmentationHooks current = kFallbackHooks;
    return current;
}

}  // namespace

const SegmentationHooks& segmentationHooks() {
    return hooks();
}

void installSegmentationHooks(bool pluginLoaded) {
    hooks() = pluginLoaded ? kPluginHooks : kFallbackHooks;
}

void loadSegmentationPlugin() {
    char folder[512] = "qlxPlugin";
    QLXHostUtilSuite* util = qlx::suiteTable().hostUtil;
    if (util && util->vtbl && util->vtbl->GetPath) {
        util->vtbl->GetPath(util, kQLXPathPluginFolder, folder, sizeof folder);
        folder[sizeof folder - 1] = '\0';
    }
    installSegmentationHooks(loadAiFilterPlugin(folder, &aiFilterLogCallback));
}
