// The process-wide registry: built once, on first use, together with the
// segmentation hooks; destroyed at shutdown and never built again.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "catalogue/filter_registry.h"
#include "plugin/process_state.h"
#include "skin/ai_filter_log.h"
#include "skin/ai_filter_plugin.h"
#include "skin/segmentation_hooks.h"

namespace {

std::once_flag g_buildOnce;
std::atomic<NLEFilterRegistry*> g_registry{nullptr};

// Destroys a registry that shutdown never destroyed, when the plugin is unloaded.
struct RegistryOwner {
    ~RegistryOwner() { delete g_registry.exchange(nullptr); }
} g_registryOwner;

// The folder of the segmentation plugin: the host's path of kind 2, or the
// relative folder "qlxPlugin" when there is no Host Util Suite.
std::string segmentationPluginFolder() {
    char folder[512] = "qlxPlugin";
    QLXHostUtilSuite* util = qlx::suiteTable().hostUtil;
    if (util && util->vtbl && util->vtbl->GetPath) {
        util->vtbl->GetPath(util, kQLXPathPluginFolder, folder, sizeof folder);
        folder[sizeof folder - 1] = '\0';
    }
    return folder;
}

void buildRegistry() {
    auto registry = std::make_unique<NLEFilterRegistry>();
    const std::string folder = segmentationPluginFolder();
    installSegmentationHooks(loadAiFilterPlugin(folder.c_str(), &aiFilterLogCallback));
    g_registry.store(registry.release());
}

}  // namespace

NLEFilterRegistry* NLEFilterRegistry::instance() {
    std::call_once(g_buildOnce, buildRegistry);
    return g_registry.load();
}

void NLEFilterRegistry::destroyInstance() {
    delete g_registry.exchange(nullptr);
}
