#include "pixel_plane.h"

#include "qlx_ai_filter.h"

namespace qlx::aifilter {

bool isUsablePlane(const PixelPlane& plane, std::int32_t allowedChannelsA,
                   std::int32_t allowedChannelsB) {
    if (plane.data == nullptr) return false;
    if (plane.channels != allowedChannelsA && plane.channels != allowedChannelsB) return false;
    if (plane.width < 1 || plane.width > QLX_AI_MAX_SIDE) return false;
    if (plane.height < 1 || plane.height > QLX_AI_MAX_SIDE) return false;
    // Both factors are bounded above, so the product cannot overflow 64 bits.
    const std::int64_t rowBytes = static_cast<std::int64_t>(plane.width) * plane.channels;
    return plane.pitch >= rowBytes;
}

}  // namespace qlx::aifilter
