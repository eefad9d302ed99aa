// The plugin's entry points as plain C++ functions. The exported C functions
// only forward here through one guard that turns any escaping failure into a
// result code; nothing below knows about the C boundary.
#pragma once

#include <cstdint>

#include "qlx/qlx_plugin.h"

namespace qlx {

std::int32_t startup(QLXHostContext* host, QLXPluginInfo* info);
std::int32_t shutdown();
std::int32_t registerEffectAt(std::int32_t index, QLXEffectDescriptor* descriptor);
std::int32_t registerEffectFolder(const char* folder, QLXEffectDescriptor* descriptor);
std::int32_t createEffect(const char* guid, std::uint32_t renderMode, QLXEffect** effect);
void releaseEffect(QLXEffect* effect);

}  // namespace qlx
