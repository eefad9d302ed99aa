#include "skin/ai_filter_plugin.h"

#include <string>

#include "common/platform.h"

const char* const kAiFilterEntryNames[kAiFilterEntryCount] = {
    "SetNLEAIEffectFilterLogCallback",  "CreateNLEAIEffectFilterFromGUID",
    "DeleteNLEAIEffectFilter",          "NLEEffectFilterTransform",
    "NLEEffectFilterSetParameter",      "NLEEffectFilterGetAIResData",
    "NLEEffectFilterGetGUID",           "NLEEffectFilterGetParameter",
    "NLEEffectFilterTransformChannels", "NLEEffectFilterSetCurrentTime",
    "NLEEffectFilterSetTotalTime",      "NLEEffectFilterSetFrameRate",
};

namespace {

AiFilterPluginApi& api() {
    static AiFilterPluginApi entryPoints;
    return entryPoints;
}

template <typename Fn>
Fn entryAs(const AiFilterPluginApi& table, AiFilterEntry entry) {
    return reinterpret_cast<Fn>(table.entries[static_cast<int>(entry)]);
}

bool hasRequiredEntries(const AiFilterPluginApi& table) {
    return table.has(AiFilterEntry::CreateFromGuid) && table.has(AiFilterEntry::Transform) &&
           table.has(AiFilterEntry::SetParameter) && table.has(AiFilterEntry::GetAIResData);
}

}  // namespace

SetNLEAIEffectFilterLogCallbackFn AiFilterPluginApi::setLogCallback() const {
    return entryAs<SetNLEAIEffectFilterLogCallbackFn>(*this, AiFilterEntry::SetLogCallback);
}
CreateNLEAIEffectFilterFromGUIDFn AiFilterPluginApi::createFromGuid() const {
    return entryAs<CreateNLEAIEffectFilterFromGUIDFn>(*this, AiFilterEntry::CreateFromGuid);
}
DeleteNLEAIEffectFilterFn AiFilterPluginApi::deleteFilter() const {
    return entryAs<DeleteNLEAIEffectFilterFn>(*this, AiFilterEntry::Delete);
}
NLEEffectFilterTransformFn AiFilterPluginApi::transform() const {
    return entryAs<NLEEffectFilterTransformFn>(*this, AiFilterEntry::Transform);
}

const AiFilterPluginApi& aiFilterPluginApi() {
    return api();
}

bool loadAiFilterPlugin(const char* folder, NLEAIEffectFilterLogCallback logCallback) {
    AiFilterPluginApi& table = api();
    if (hasRequiredEntries(table) && table.has(AiFilterEntry::Delete)) return true;

    const std::string path = std::string(folder ? folder : "") + kAiFilterPluginFile;
    void* library = qlx::platform::loadLibrary(path);
    for (std::size_t i = 0; i < kAiFilterEntryCount; ++i) {
        table.entries[i] = qlx::platform::findSymbol(library, kAiFilterEntryNames[i]);
    }
    if (hasRequiredEntries(table)) {
        table.library = library;
        if (SetNLEAIEffectFilterLogCallbackFn setter = table.setLogCallback()) setter(logCallback);
        return true;
    }
    qlx::platform::freeLibrary(library);
    table = AiFilterPluginApi{};
    return false;
}

void unloadAiFilterPlugin() {
    AiFilterPluginApi& table = api();
    void* library = table.library;
    table = AiFilterPluginApi{};
    qlx::platform::freeLibrary(library);
}
