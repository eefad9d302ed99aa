// A caller's pixel buffer as the entry points receive it, and the checks made before touching it.
#pragma once

#include <cstdint>

namespace qlx::aifilter {

struct PixelPlane {
    const void* data;
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;  // bytes from one row to the next
    std::int32_t channels;
};

// True when the plane can be addressed safely: data present, width and height in
// 1..QLX_AI_MAX_SIDE, a channel count the entry point allows, and a pitch that holds a row.
bool isUsablePlane(const PixelPlane& plane, std::int32_t allowedChannelsA,
                   std::int32_t allowedChannelsB);

}  // namespace qlx::aifilter
