// A stand-in segmentation plugin that records its calls. Built once per set of exports (OMIT_*
// leaves one out), to check which libraries the bridge accepts.
#include <algorithm>
#include <cstdint>

#include "test_ai_filter_state.h"

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
TestAiFilterState g_state;
[[maybe_unused]] int g_filterToken;
}  // namespace

TEST_EXPORT TestAiFilterState* TestAiFilterGetState() {
    return &g_state;
}

#ifndef OMIT_SetNLEAIEffectFilterLogCallback
TEST_EXPORT void SetNLEAIEffectFilterLogCallback(void (*callback)(int, const char*, va_list)) {
    g_state.logCallback = callback;
}
#endif

#ifndef OMIT_CreateNLEAIEffectFilterFromGUID
TEST_EXPORT void* CreateNLEAIEffectFilterFromGUID(const char*, const char* resourceFolder) {
    ++g_state.createCalls;
    g_state.lastResourceFolder = resourceFolder ? resourceFolder : "";
    return &g_filterToken;
}
#endif

#ifndef OMIT_DeleteNLEAIEffectFilter
TEST_EXPORT void DeleteNLEAIEffectFilter(void** handleVariable) {
    if (handleVariable) *handleVariable = nullptr;
}
#endif

#ifndef OMIT_NLEEffectFilterTransform
TEST_EXPORT int NLEEffectFilterTransform(void* handle, std::uint8_t* dst, std::int32_t,
                                         std::int32_t, std::int32_t, void*, std::int32_t,
                                         std::int32_t, std::int32_t, const std::uint8_t* src,
                                         std::int32_t srcWidth, std::int32_t, std::int32_t) {
    ++g_state.transformCalls;
    if (!handle || !dst || !src) return 2;
    g_state.firstSourceRow.assign(reinterpret_cast<const char*>(src), std::min(srcWidth * 4, 64));
    return 0;
}
#endif

// The other entry points are never called by the bridge; only their presence matters.
#define PRESENCE_ONLY(name)  \
    TEST_EXPORT int name() { \
        return 0;            \
    }

#ifndef OMIT_NLEEffectFilterSetParameter
PRESENCE_ONLY(NLEEffectFilterSetParameter)
#endif
#ifndef OMIT_NLEEffectFilterGetAIResData
PRESENCE_ONLY(NLEEffectFilterGetAIResData)
#endif
PRESENCE_ONLY(NLEEffectFilterGetGUID)
PRESENCE_ONLY(NLEEffectFilterGetParameter)
PRESENCE_ONLY(NLEEffectFilterTransformChannels)
PRESENCE_ONLY(NLEEffectFilterSetCurrentTime)
PRESENCE_ONLY(NLEEffectFilterSetTotalTime)
PRESENCE_ONLY(NLEEffectFilterSetFrameRate)
