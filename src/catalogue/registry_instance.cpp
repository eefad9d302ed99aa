// The process-wide registry: built once, on first use; destroyed at shutdown
// and never built again.
#include <atomic>
#include <mutex>

#include "catalogue/filter_registry.h"

namespace {

std::once_flag g_buildOnce;
std::atomic<NLEFilterRegistry*> g_registry{nullptr};

// Destroys a registry that shutdown never destroyed, when the plugin is unloaded.
struct RegistryOwner {
    ~RegistryOwner() { delete g_registry.exchange(nullptr); }
} g_registryOwner;

void buildRegistry() {
    g_registry.store(new NLEFilterRegistry());
}

}  // namespace

NLEFilterRegistry* NLEFilterRegistry::instance() {
    std::call_once(g_buildOnce, buildRegistry);
    return g_registry.load();
}

void NLEFilterRegistry::destroyInstance() {
    delete g_registry.exchange(nullptr);
}
