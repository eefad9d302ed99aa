// What the test segmentation plugins record about the calls they receive, read
// by the tests through the extra export "TestAiFilterGetState".
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

struct TestAiFilterState {
    int createCalls = 0;
    int deleteCalls = 0;
    int transformCalls = 0;
    std::string lastGuid;
    std::string lastResourceFolder;
    void** lastHandleVariable = nullptr;

    // Arguments of the last transform call.
    void* handle = nullptr;
    std::uint8_t* dst = nullptr;
    std::int32_t width = 0, height = 0, dstPitch = 0;
    void* reserved = nullptr;
    std::int32_t reserved1 = -1, reserved2 = -1, reserved3 = -1;
    const std::uint8_t* src = nullptr;
    std::int32_t srcWidth = 0, srcHeight = 0, srcPitch = 0;
    // The first row of the source, as the plugin saw it (up to 64 bytes).
    std::string firstSourceRow;

    // What transform answers for a non-null handle, and the byte it fills
    // each mask row's width * 4 bytes with.
    std::int32_t transformStatus = 0;
    std::uint8_t maskByte = 0x5A;

    void (*logCallback)(int, const char*, va_list) = nullptr;
};

typedef TestAiFilterState* (*TestAiFilterStateFn)();
