#include "ai_filter_api.h"

#include <gtest/gtest.h>

#include "common/platform.h"

namespace qlxtest {

const std::array<const char*, 12> kAiFilterExportNames = {
    "SetNLEAIEffectFilterLogCallback",  "CreateNLEAIEffectFilterFromGUID",
    "DeleteNLEAIEffectFilter",          "NLEEffectFilterTransform",
    "NLEEffectFilterSetParameter",      "NLEEffectFilterGetAIResData",
    "NLEEffectFilterGetGUID",           "NLEEffectFilterGetParameter",
    "NLEEffectFilterTransformChannels", "NLEEffectFilterSetCurrentTime",
    "NLEEffectFilterSetTotalTime",      "NLEEffectFilterSetFrameRate"};

namespace {

template <typename Fn>
void resolve(Fn& slot, const char* name) {
    slot = reinterpret_cast<Fn>(qlx::platform::findSymbol(aiFilterLibrary(), name));
}

AiFilterApi loadApi() {
    AiFilterApi api;
    if (aiFilterLibrary() == nullptr) return api;
    const auto& n = kAiFilterExportNames;
    resolve(api.setLogCallback, n[0]);
    resolve(api.create, n[1]);
    resolve(api.destroy, n[2]);
    resolve(api.transform, n[3]);
    resolve(api.setParameter, n[4]);
    resolve(api.getResult, n[5]);
    resolve(api.getGuid, n[6]);
    resolve(api.getParameter, n[7]);
    resolve(api.transformChannels, n[8]);
    resolve(api.setCurrentTime, n[9]);
    resolve(api.setTotalTime, n[10]);
    resolve(api.setFrameRate, n[11]);
    return api;
}

}  // namespace

void* aiFilterLibrary() {
    static void* const library = qlx::platform::loadLibrary(QLX_AI_FILTER_PATH);
    return library;
}

const AiFilterApi& aiFilterApi() {
    static const AiFilterApi api = loadApi();
    return api;
}

FilterHandle::FilterHandle() : handle_(aiFilterApi().create(QLX_AI_SKIN_FILTER_GUID, "")) {}

FilterHandle::~FilterHandle() {
    aiFilterApi().destroy(&handle_);
}

std::vector<std::uint8_t> solidBgra(int width, int height, int red, int green, int blue) {
    std::vector<std::uint8_t> frame(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < frame.size(); i += 4) {
        frame[i] = static_cast<std::uint8_t>(blue);
        frame[i + 1] = static_cast<std::uint8_t>(green);
        frame[i + 2] = static_cast<std::uint8_t>(red);
        frame[i + 3] = 255;
    }
    return frame;
}

std::vector<std::uint8_t> maskOf(void* filter, const std::vector<std::uint8_t>& bgra, int width,
                                 int height) {
    std::vector<std::uint8_t> mask(static_cast<size_t>(width) * height * 4, 0x5A);
    const int status =
        aiFilterApi().transform(filter, mask.data(), width, height, width * 4, nullptr, 0, 0, 0,
                                bgra.data(), width, height, width * 4);
    EXPECT_EQ(status, QLX_AI_OK);
    return mask;
}

}  // namespace qlxtest
