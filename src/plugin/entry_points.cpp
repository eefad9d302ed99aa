// Registration and effect creation entry points.
#include "plugin/entry_points.h"

namespace qlx {

std::int32_t registerEffectAt(std::int32_t index, QLXEffectDescriptor* descriptor) {
    if (index < 0 || !descriptor) return kQLXBadArgument;
    return kQLXBadArgument;
}

std::int32_t registerEffectFolder(const char* folder, QLXEffectDescriptor* descriptor) {
    if (!folder || !descriptor) return kQLXBadArgument;
    return kQLXBadArgument;
}

std::int32_t createEffect(const char* guid, std::uint32_t, QLXEffect**) {
    (void)guid;
    return kQLXBadArgument;
}

void releaseEffect(QLXEffect*) {}

}  // namespace qlx
