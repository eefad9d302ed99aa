// What the stand-in segmentation plugins record of their calls, read through their extra export.
#pragma once

#include <cstdarg>
#include <string>

struct TestAiFilterState {
    int createCalls = 0;
    int transformCalls = 0;
    std::string lastResourceFolder;
    std::string firstSourceRow;  // the first row of the last source, up to 64 bytes
    void (*logCallback)(int, const char*, va_list) = nullptr;
};

typedef TestAiFilterState* (*TestAiFilterStateFn)();
