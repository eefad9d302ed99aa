// Where the test segmentation plugins lie, and access to what they recorded.
#pragma once

#include <string>

#include "common/platform.h"
#include "skin/ai_filter_plugin.h"
#include "test_ai_filter_state.h"

// The folder of one build of the test plugin ("full", "no_delete", ...); each
// holds a "qlxAiFilterPlugin.qlx".
inline std::string testPluginFolder(const std::string& variant) {
    return std::string(QLX_TEST_AIFILTER_DIR) + "/" + variant;
}

// The recorded state of the library the bridge has loaded; null when none.
inline TestAiFilterState* loadedPluginState() {
    void* symbol = qlx::platform::findSymbol(aiFilterPluginApi().library, "TestAiFilterGetState");
    return symbol ? reinterpret_cast<TestAiFilterStateFn>(symbol)() : nullptr;
}
