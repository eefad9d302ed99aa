// StartupQLX and ShutdownQLX: borrow the host's suites, walk its GPU devices,
// hand an OpenCL context to the OpenCL platform library and read the LUT folder.
#include <cstring>
#include <mutex>
#include <string>

#include "KRPlatformOpenCL.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "common/log.h"
#include "common/process_state.h"
#include "plugin/entry_points.h"
#include "skin/segmentation_hooks.h"

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

// The OpenCL library's own lines reach the host's log like ours.
void forwardOpenCLLog(int level, const char* text) {
    hostLogText(level, text);
}

void registerOpenCLContext(const QLXGPUDeviceInfo& device) {
    OpenCLManager::SetLogCallback(forwardOpenCLLog);
    void* const* h = device.handles;
    // The record's fifth handle goes fourth and its fourth goes last.
    OpenCLManager::GetIns()->RegisterOpenclContext(h[0], h[1], h[2], h[4], h[3]);
}

std::string lutFolder() {
    char path[512] = {};
    if (QLXHostUtilSuite* util = suiteTable().hostUtil) {
        util->vtbl->GetPath(util, kQLXPathResources, path, sizeof path);
        path[sizeof path - 1] = '\0';
    }
    return std::string(path) + kLutFolderSuffix;
}

void fillPluginInfo(QLXPluginInfo& info, std::size_t effectCount) {
    static const char kFamily[] = "LUT";
    static const char kVendor[] = "com.lumicrest";
    static const char kDescription[] = "LUT Desc";
    static const char kFurtherText[] = "";
    info.headerWord1 = 1;
    info.headerWord2 = 1;
    info.familyName = kFamily;
    info.vendorId = kVendor;
    info.description = kDescription;
    info.furtherText = kFurtherText;
    info.effectCount = static_cast<std::uint32_t>(effectCount);
    info.flag = 1;
}

}  // namespace

std::int32_t startup(QLXHostContext* host, QLXPluginInfo* info) {
    acquireSuites(host);
    ProcessState& state = processState();
    state.openCLManager = OpenCLManager::Create();
    state.openGLDevicePresent = false;

    const DeviceScan scan = scanDevices(suiteTable().gpuDevice);
    if (scan.openCLFound) registerOpenCLContext(scan.openCL);
    state.openGLDevicePresent = scan.openGLFound;
    state.softwareOpenGL = !scan.openGLFound;
    if (state.openGLDevicePresent) {
        hostLog(kQLXLogInfo, "kQLXGPUDeviceTypeOpenGL success");
    } else {
        hostLog(kQLXLogWarning, "kQLXGPUDeviceTypeOpenGL is Failed");
    }

    const std::string folder = lutFolder();
    // Once per process, like the registry: the plugin stays loaded for good.
    static std::once_flag segmentationLoaded;
    std::call_once(segmentationLoaded, loadSegmentationPlugin);
    NLEFilterRegistry* registry = NLEFilterRegistry::instance();
    std::shared_ptr<NLEFilterInfo> own = registry ? registry->scanFolder(folder, false) : nullptr;
    if (!own) {
        hostLog(kQLXLogError, "Parse LUT Filter Folder Failed: %s", folder.c_str());
        return kQLXFailed;
    }
    if (!registry->root()) registry->setRoot(own);
    if (info) fillPluginInfo(*info, registry->filterCount());
    return kQLXSuccess;
}

std::int32_t shutdown() {
    ProcessState& state = processState();
    if (state.openCLManager) {
        // The library outlives this start-up; it must not log into a host
        // that is going away.
        OpenCLManager::SetLogCallback(nullptr);
        state.openCLManager->Release();
        state.openCLManager = nullptr;
    }
    NLEFilterRegistry::destroyInstance();
    return kQLXSuccess;
}

}  // namespace qlx
