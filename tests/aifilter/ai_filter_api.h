// The segmentation plugin as the LUT plugin meets it: the built file loaded at run time and its
// twelve entry points looked up by name.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "qlx_ai_filter.h"

namespace qlxtest {

extern const std::array<const char*, 12> kAiFilterExportNames;

struct AiFilterApi {
    decltype(&SetNLEAIEffectFilterLogCallback) setLogCallback = nullptr;
    decltype(&CreateNLEAIEffectFilterFromGUID) create = nullptr;
    decltype(&DeleteNLEAIEffectFilter) destroy = nullptr;
    decltype(&NLEEffectFilterTransform) transform = nullptr;
    decltype(&NLEEffectFilterSetParameter) setParameter = nullptr;
    decltype(&NLEEffectFilterGetAIResData) getResult = nullptr;
    decltype(&NLEEffectFilterGetGUID) getGuid = nullptr;
    decltype(&NLEEffectFilterGetParameter) getParameter = nullptr;
    decltype(&NLEEffectFilterTransformChannels) transformChannels = nullptr;
    decltype(&NLEEffectFilterSetCurrentTime) setCurrentTime = nullptr;
    decltype(&NLEEffectFilterSetTotalTime) setTotalTime = nullptr;
    decltype(&NLEEffectFilterSetFrameRate) setFrameRate = nullptr;
};

// The built library, loaded once for the whole test program and never released.
void* aiFilterLibrary();
// Every entry point resolved from aiFilterLibrary(); a missing one stays null.
const AiFilterApi& aiFilterApi();

// A filter instance that is deleted through the library when it goes out of scope.
class FilterHandle {
  public:
    FilterHandle();
    ~FilterHandle();
    FilterHandle(const FilterHandle&) = delete;
    FilterHandle& operator=(const FilterHandle&) = delete;
    void* get() const { return handle_; }

  private:
    void* handle_;
};

// A BGRA frame filled with one colour given as (red, green, blue).
std::vector<std::uint8_t> solidBgra(int width, int height, int red, int green, int blue);

// The 4-byte mask of `bgra` (tightly packed rows) as NLEEffectFilterTransform writes it.
std::vector<std::uint8_t> maskOf(void* filter, const std::vector<std::uint8_t>& bgra, int width,
                                 int height);

}  // namespace qlxtest
