// The segmentation plugin "qlxAiFilterPlugin.qlx": a sibling library reached
// only through twelve exported entry points, loaded once per process at run
// time. This plugin calls four of them; the library is accepted only when it
// exports create, transform, set-parameter and get-AI-result (delete may be
// missing).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

extern "C" {
// Log callback handed to the segmentation plugin: level 2, 3 or 4, printf format.
typedef void (*NLEAIEffectFilterLogCallback)(int level, const char* format, va_list args);
typedef void (*SetNLEAIEffectFilterLogCallbackFn)(NLEAIEffectFilterLogCallback callback);
typedef void* (*CreateNLEAIEffectFilterFromGUIDFn)(const char* guid, const char* resourceFolder);
typedef void (*DeleteNLEAIEffectFilterFn)(void** handleVariable);
// Reads 8-bit BGRA source pixels and writes a 4-byte-per-pixel mask; 0 on success.
typedef std::int32_t (*NLEEffectFilterTransformFn)(
    void* handle, std::uint8_t* dst, std::int32_t width, std::int32_t height, std::int32_t dstPitch,
    void* reserved, std::int32_t reserved1, std::int32_t reserved2, std::int32_t reserved3,
    const std::uint8_t* src, std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t srcPitch);
}

// Positions of the entry points, in the order they are resolved.
enum class AiFilterEntry : int {
    SetLogCallback,
    CreateFromGuid,
    Delete,
    Transform,
    SetParameter,
    GetAIResData,
    GetGuid,
    GetParameter,
    TransformChannels,
    SetCurrentTime,
    SetTotalTime,
    SetFrameRate,
};
constexpr std::size_t kAiFilterEntryCount = 12;

// The exported names, indexed by AiFilterEntry.
extern const char* const kAiFilterEntryNames[kAiFilterEntryCount];

// File name of the library, appended to its folder.
constexpr char kAiFilterPluginFile[] = "/qlxAiFilterPlugin.qlx";

// The process-wide entry points; all null until a library is accepted.
struct AiFilterPluginApi {
    void* entries[kAiFilterEntryCount] = {};
    void* library = nullptr;

    bool has(AiFilterEntry entry) const { return entries[static_cast<int>(entry)] != nullptr; }
    SetNLEAIEffectFilterLogCallbackFn setLogCallback() const;
    CreateNLEAIEffectFilterFromGUIDFn createFromGuid() const;
    DeleteNLEAIEffectFilterFn deleteFilter() const;
    NLEEffectFilterTransformFn transform() const;
};
const AiFilterPluginApi& aiFilterPluginApi();

// Loads `folder` + "/qlxAiFilterPlugin.qlx" (UTF-8) unless the required entry
// points (and delete) are already resolved. On acceptance the log callback is
// handed to the library when it exports the setter; on refusal the library is
// released and every entry point cleared. Returns whether a library is usable.
bool loadAiFilterPlugin(const char* folder, NLEAIEffectFilterLogCallback logCallback);

// Clears the entry points and releases the library. The plugin itself keeps the
// library for the whole process; tools and tests use this to start over.
void unloadAiFilterPlugin();
