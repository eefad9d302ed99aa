// The three process-wide entry points through which effects reach the
// segmentation filter. They are set once, when start-up loads the segmentation
// plugin, either to the segmentation plugin or to fallbacks that make every
// segmentation fail; they are read without locks afterwards.
#pragma once

#include <cstdint>

// The segmentation filter every effect creates.
constexpr char kSkinSegmentationGuid[] = "B6812345-039A-49CB-BEBB-339EACCD00F0";

struct SegmentationHooks {
    // GUID -> opaque filter handle; null when no filter could be made.
    void* (*create)(const char* guid);
    // Releases the handle held in *handleVariable.
    void (*destroy)(void** handleVariable);
    // Writes the mask of `src` into `dst`; 0 on success. The reserved pointer and
    // integers are passed as 0.
    std::int32_t (*transform)(void* handle, std::uint8_t* dst, std::int32_t width,
                              std::int32_t height, std::int32_t dstPitch, void* reserved,
                              std::int32_t reserved1, std::int32_t reserved2,
                              std::int32_t reserved3, const std::uint8_t* src,
                              std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t srcPitch);
};

// The hooks in force; the fallbacks until installSegmentationHooks runs.
const SegmentationHooks& segmentationHooks();

// Points the hooks at the loaded segmentation plugin, or at the fallbacks when
// it could not be loaded.
void installSegmentationHooks(bool pluginLoaded);

// Loads the segmentation plugin from the host's plugin folder (path kind 2, or
// the relative folder "qlxPlugin" without a Host Util Suite) and installs the
// hooks accordingly.
void loadSegmentationPlugin();
