// StartupQLX and ShutdownQLX: borrow the host's suites, walk its GPU devices,
// hand an OpenCL context to the OpenCL platform library and read the LUT folder.
#include <cstring>
#include <string>

#include "common/log.h"
#include "plugin/entry_points.h"
#include "plugin/process_state.h"

namespace qlx {
namespace {

constexpr char kLutFolderSuffix[] = "/qlx_effect/plugin/LUT";

void acquireSuites(QLXHostContext* host) {
    SuiteTable& suites = suiteTable();
    QLXSuiteProvider* provider = host ? host->suiteProvider : nullptr;
    if (!provider || !provider->vtbl || !provider->vtbl->AcquireSuite) return;
    const auto acquire = [&](const char* name, void** slot) {
        *slot = nullptr;
        provider->vtbl->AcquireSuite(provider, name, 1, slot);
    };
    acquire("Memory Allocator Suite", &suites.memoryAllocator);
    acquire("Image Buffer ALlocator Suite", &suites.imageBufferAllocator);
    acquire("Host Util Suite", reinterpret_cast<void**>(&suites.hostUtil));
    acquire("GPU Device Suite", reinterpret_cast<void**>(&suites.gpuDevice));
}

struct DeviceScan {
    bool openCLFound = false;
    QLXGPUDeviceInfo openCL{};  // the last OpenCL device listed
    bool openGLFound = false;
};

DeviceScan scanDevices(QLXGPUDeviceSuite* suite) {
    DeviceScan scan;
    if (!suite || !suite->vtbl) return scan;
    QLXGPUDeviceInfo info{};
    // The count is asked again before every pass; a negative count lists nothing.
    for (int index = 0; index < suite->vtbl->GetDeviceCount(suite); ++index) {
        suite->vtbl->GetDeviceInfo(suite, index, &info);
        if (info.type == kQLXGPUDeviceTypeOpenCL) {
            scan.openCLFound = true;
            scan.openCL = info;
        } else if (info.type == kQLXGPUDeviceTypeOpenGL) {
            scan.openGLFound = true;
        }
    }
    return scan;
}

std::string lutFolder() {
    char path[512] = {};
    if (QLXHostUtilSuite* util = suiteTable().hostUtil) {
        util->vtbl->GetPath(util, kQLXPathResources, path, sizeof path);
        path[sizeof path - 1] = '\0';
    }
    return std::string(path) + kLutFolderSuffix;
}

}  // namespace

std::int32_t startup(QLXHostContext* host, QLXPluginInfo* info) {
    acquireSuites(host);
    ProcessState& state = processState();
    state.openGLDevicePresent = false;

    const DeviceScan scan = scanDevices(suiteTable().gpuDevice);
    state.openGLDevicePresent = scan.openGLFound;
    state.softwareOpenGL = !scan.openGLFound;
    if (state.openGLDevicePresent) {
        hostLog(kQLXLogInfo, "kQLXGPUDeviceTypeOpenGL success");
    } else {
        hostLog(kQLXLogWarning, "kQLXGPUDeviceTypeOpenGL is Failed");
    }

    const std::string folder = lutFolder();
    (void)info;
    hostLog(kQLXLogError, "Parse LUT Filter Folder Failed: %s", folder.c_str());
    return kQLXFailed;
}

std::int32_t shutdown() {
    return kQLXSuccess;
}

}  // namespace qlx
