// What the stand-in segmentation plugins record about the calls they receive,
// read by the tests through the extra export "TestAiFilterGetState".
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

struct TestAiFilterState {
    int createCalls = 0;
    int transformCalls = 0;
    std::string lastResourceFolder;
    void** lastHandleVariable = nullptr;
    // The first row of the last source (up to 64 bytes) and its pitch.
    std::string firstSourceRow;
    std::int32_t srcPitch = 0;
    // What transform answers for a non-null handle, and the byte it fills the mask with.
    std::int32_t transformStatus = 0;
    std::uint8_t maskByte = 0x5A;
    void (*logCallback)(int, const char*, va_list) = nullptr;
};

typedef TestAiFilterState* (*TestAiFilterStateFn)();
