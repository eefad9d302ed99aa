// Counters an OpenGL effect engine library keeps since it was loaded, for tests
// and tools that want to see what reached the GPU. Looked up by name in the
// loaded library: "KROpenGLEffectMgrStatistics".
#pragma once

#include <cstdint>

struct KRGLEngineStatistics {
    std::uint64_t effectsCreated;   // createEffect calls that made an effect
    std::uint64_t builds;           // successful builds
    std::uint64_t renders;          // successful renders
    std::uint64_t imageUploads;     // 2D texel uploads (frames, masks)
    std::uint64_t volumeUploads;    // 3D texel uploads (LUTs)
    std::uint64_t ownContextsMade;  // headless contexts made by the engine (0 or 1)
};

using KROpenGLEffectMgrStatisticsFn = void (*)(KRGLEngineStatistics* out);
inline constexpr char kKRGLEngineStatisticsEntry[] = "KROpenGLEffectMgrStatistics";
