// The library's counters, shared by every effect of its one engine.
#pragma once

#include <atomic>
#include <cstdint>

#include "kr_gl_engine_statistics.h"

namespace krgl {

struct Statistics {
    std::atomic<std::uint64_t> effectsCreated{0};
    std::atomic<std::uint64_t> builds{0};
    std::atomic<std::uint64_t> renders{0};
    std::atomic<std::uint64_t> imageUploads{0};
    std::atomic<std::uint64_t> volumeUploads{0};
    std::atomic<std::uint64_t> ownContextsMade{0};

    KRGLEngineStatistics snapshot() const {
        return {effectsCreated.load(), builds.load(),        renders.load(),
                imageUploads.load(),   volumeUploads.load(), ownContextsMade.load()};
    }
};

Statistics& statistics();

}  // namespace krgl
