// FROZEN binary contract: released hosts and engines depend on this layout; never change it.
// The host's interfaces as the plugin sees them. Each host object is a record
// whose first word points to the host's table of operations; the position of
// every entry is part of the binary contract with the host, so unused
// positions are kept as placeholders and every table is checked below.
//
// All operations take the object itself as their first argument, which is how
// a C++ virtual call passes `this` on x86-64, so hosts may implement these
// interfaces either as C tables or as C++ classes with virtual functions.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct QLXHostContext;
struct QLXSuiteProvider;
struct QLXHostUtilSuite;
struct QLXGPUDeviceSuite;
struct QLXEffectDescriptor;
struct QLXEffectContext;
struct QLXRenderContext;
struct QLXFrame;
struct QLXGPUDeviceInfo;

typedef void (*QLXReservedEntry)(void);

// Results of the exports and of the effect operations.
enum QLXResult : std::int32_t { kQLXSuccess = 0, kQLXBadArgument = 2, kQLXFailed = 4 };

// ---- records ---------------------------------------------------------------

enum QLXParamType : std::uint32_t {
    kQLXParamInt32 = 3,
    kQLXParamFloat = 5,
    kQLXParamInt64 = 6,
    kQLXParamBool = 7,
    kQLXParamText = 8,
    kQLXParamInt64Alt = 9,
};

// A parameter value as the host answers it. The caller presets `type` to the
// type it asks for; the value sits at offset 8.
struct QLXParamValue {
    std::uint32_t type;
    std::uint32_t padding;
    union {
        std::int32_t i32;
        float f32;
        std::int64_t i64;
        bool boolean;
        const char* text;
    } value;
    std::uint8_t unused[56];
};
static_assert(sizeof(QLXParamValue) == 72, "QLXParamValue is 72 bytes");
static_assert(offsetof(QLXParamValue, type) == 0, "type at 0");
static_assert(offsetof(QLXParamValue, value) == 8, "value at 8");

// ---- suite provider ----------------------------------------------------------

struct QLXHostContext {
    void* hostData;
    QLXSuiteProvider* suiteProvider;
};
static_assert(offsetof(QLXHostContext, suiteProvider) == 8, "suite provider is the second word");

struct QLXSuiteProviderVtbl {
    int (*AcquireSuite)(QLXSuiteProvider* self, const char* name, int version, void** out);
};
struct QLXSuiteProvider {
    const QLXSuiteProviderVtbl* vtbl;
};

// ---- Host Util Suite -------------------------------------------------------------

enum QLXHostPathKind : int { kQLXPathResources = 1, kQLXPathPluginFolder = 2 };
enum QLXLogLevel : int { kQLXLogInfo = 2, kQLXLogWarning = 3, kQLXLogError = 4 };

struct QLXHostUtilSuiteVtbl {
    int (*GetPath)(QLXHostUtilSuite* self, int kind, char* buffer, int size);
    void (*Log)(QLXHostUtilSuite* self, int level, const char* format, ...);
};
struct QLXHostUtilSuite {
    const QLXHostUtilSuiteVtbl* vtbl;
};

// ---- GPU Device Suite -------------------------------------------------------------

struct QLXGPUDeviceSuiteVtbl {
    int (*GetDeviceCount)(QLXGPUDeviceSuite* self);
    int (*GetDeviceInfo)(QLXGPUDeviceSuite* self, int index, QLXGPUDeviceInfo* info);
    QLXReservedEntry reserved2_6[5];
    int (*GetFrameHandles)(QLXGPUDeviceSuite* self, void* gpuFrame, void** first, void** second);
    QLXReservedEntry reserved8_9[2];
    int (*GetFrameValue)(QLXGPUDeviceSuite* self, void* gpuFrame, std::int32_t* value);
};
static_assert(offsetof(QLXGPUDeviceSuiteVtbl, GetFrameHandles) == 7 * sizeof(void*), "entry 7");
static_assert(offsetof(QLXGPUDeviceSuiteVtbl, GetFrameValue) == 10 * sizeof(void*), "entry 10");
struct QLXGPUDeviceSuite {
    const QLXGPUDeviceSuiteVtbl* vtbl;
};

// ---- effect descriptor ------------------------------------------------------------

struct QLXEffectDescriptorVtbl {
    int (*SetIdentity)(QLXEffectDescriptor* self, const char* guid, const char* name);
    int (*SetFlags)(QLXEffectDescriptor* self, std::uint32_t flags);
    int (*SetOption)(QLXEffectDescriptor* self, std::uint32_t option);
    QLXReservedEntry reserved3_5[3];
    int (*AddIntParam)(QLXEffectDescriptor* self, int group, int index, const char* name,
                       const char* displayName, int minimum, int maximum, int defaultValue,
                       int step, int widget);
    QLXReservedEntry reserved7_13[7];
    int (*AddStringParam)(QLXEffectDescriptor* self, int group, int index, const char* name,
                          const char* displayName, const char* defaultText, int flags);
};
static_assert(offsetof(QLXEffectDescriptorVtbl, AddIntParam) == 6 * sizeof(void*), "entry 6");
static_assert(offsetof(QLXEffectDescriptorVtbl, AddStringParam) == 14 * sizeof(void*), "entry 14");
struct QLXEffectDescriptor {
    const QLXEffectDescriptorVtbl* vtbl;
};

// ---- effect and render contexts -----------------------------------------------------

struct QLXEffectContextVtbl {
    std::int64_t (*GetCurrentTime)(QLXEffectContext* self);
    QLXReservedEntry reserved1_17[17];
    int (*GetParam)(QLXEffectContext* self, const char* name, std::int64_t time,
                    QLXParamValue* value);
    void (*SetResourceHint)(QLXEffectContext* self, bool hint);
};
static_assert(offsetof(QLXEffectContextVtbl, GetParam) == 18 * sizeof(void*), "entry 18");
static_assert(offsetof(QLXEffectContextVtbl, SetResourceHint) == 19 * sizeof(void*), "entry 19");
struct QLXEffectContext {
    const QLXEffectContextVtbl* vtbl;
};

struct QLXRenderContextVtbl {
    QLXReservedEntry reserved0_9[10];
    QLXFrame* (*GetInputFrame)(QLXRenderContext* self, int index);
    QLXReservedEntry reserved11_13[3];
    QLXFrame* (*GetOutputFrame)(QLXRenderContext* self);
};
static_assert(offsetof(QLXRenderContextVtbl, GetInputFrame) == 10 * sizeof(void*), "entry 10");
static_assert(offsetof(QLXRenderContextVtbl, GetOutputFrame) == 14 * sizeof(void*), "entry 14");
struct QLXRenderContext {
    const QLXRenderContextVtbl* vtbl;
};

// ---- frames ---------------------------------------------------------------------

enum QLXPixelFormat : int { kQLXPixelFormat8 = 0, kQLXPixelFormat16 = 1 };

struct QLXFrameVtbl {
    std::int32_t (*GetWidth)(QLXFrame* self);
    std::int32_t (*GetHeight)(QLXFrame* self);
    std::int32_t (*GetPixelFormat)(QLXFrame* self);
    std::int32_t (*GetStride)(QLXFrame* self);
    void* (*GetData)(QLXFrame* self);
    void* (*GetGPUHandle)(QLXFrame* self);
};
static_assert(offsetof(QLXFrameVtbl, GetGPUHandle) == 5 * sizeof(void*), "entry 5");
struct QLXFrame {
    const QLXFrameVtbl* vtbl;
};

}  // extern "C"
