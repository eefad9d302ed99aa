// Process-wide state that start-up establishes and the rest of the plugin reads.
#pragma once

#include "qlx/qlx_host.h"

class OpenCLManager;

namespace qlx {

// The suites borrowed from the host, in the order the plugin keeps them.
struct SuiteTable {
    QLXHostUtilSuite* hostUtil = nullptr;
    void* imageBufferAllocator = nullptr;
    void* memoryAllocator = nullptr;
    QLXGPUDeviceSuite* gpuDevice = nullptr;
};

// Built race-free on first access; every reader goes through here.
SuiteTable& suiteTable();

struct ProcessState {
    OpenCLManager* openCLManager = nullptr;
    bool openGLDevicePresent = false;  // the host listed an OpenGL device
    bool softwareOpenGL = true;        // no OpenGL device: use a software engine
};
ProcessState& processState();

}  // namespace qlx
