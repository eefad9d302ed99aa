// FROZEN binary contract: released hosts and engines depend on this layout; never change it.
// The plugin's exported functions and the two host records they exchange.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qlx/qlx_host.h"

#if defined(_WIN32)
#define QLX_EXPORT __declspec(dllexport)
#else
#define QLX_EXPORT __attribute__((visibility("default")))
#endif

class QLXEffect;

extern "C" {

// Filled by StartupQLX on success; the texts are static strings of the plugin.
struct QLXPluginInfo {
    std::uint32_t headerWord1;
    std::uint32_t headerWord2;
    const char* familyName;
    const char* vendorId;
    const char* description;
    const char* furtherText;
    std::uint32_t effectCount;
    std::uint8_t flag;
};
static_assert(offsetof(QLXPluginInfo, familyName) == 8, "family name at 8");
static_assert(offsetof(QLXPluginInfo, vendorId) == 16, "vendor at 16");
static_assert(offsetof(QLXPluginInfo, description) == 24, "description at 24");
static_assert(offsetof(QLXPluginInfo, furtherText) == 32, "further text at 32");
static_assert(offsetof(QLXPluginInfo, effectCount) == 40, "effect count at 40");
static_assert(offsetof(QLXPluginInfo, flag) == 44, "flag at 44");
static_assert(sizeof(QLXPluginInfo) == 48, "QLXPluginInfo is 48 bytes");

enum QLXGPUDeviceType : std::uint32_t {
    kQLXGPUDeviceTypeOpenCL = 1,
    kQLXGPUDeviceTypeOpenGL = 2,
};

// Filled by the GPU Device Suite's GetDeviceInfo.
struct QLXGPUDeviceInfo {
    std::uint32_t type;
    void* handles[5];
};
static_assert(offsetof(QLXGPUDeviceInfo, handles) == 8, "handle 1 at 8");
static_assert(sizeof(QLXGPUDeviceInfo) == 48, "five handles, 8 bytes each");

QLX_EXPORT std::int32_t StartupQLX(QLXHostContext* host, QLXPluginInfo* info);
QLX_EXPORT std::int32_t ShutdownQLX();
QLX_EXPORT std::int32_t RegisterQLXEffect(std::int32_t index, QLXEffectDescriptor* descriptor);
QLX_EXPORT std::int32_t RegisterQLXEffectFromConfPath(const char* folder,
                                                      QLXEffectDescriptor* descriptor);
QLX_EXPORT std::int32_t CreateQLXEffect(const char* guid, std::uint32_t renderMode,
                                        QLXEffect** effect);
QLX_EXPORT void ReleaseQLXEffect(QLXEffect* effect);

}  // extern "C"
