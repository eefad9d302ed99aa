// Start-up, shutdown and the argument checks of the entry points, seen from the
// host side: results, the information record and the log lines.
#include <cstring>
#include <optional>

#include "support/plugin_fixture.h"

namespace {

using qlxhost::DeviceRecord;
using qlxtest::PluginTest;

constexpr char kRootConf[] = R"({"GUID": "ROOT-GUID", "NAME": "LUT"})";

DeviceRecord device(std::uint32_t type) {
    DeviceRecord record;
    record.type = type;
    return record;
}

class Startup : public PluginTest {
  protected:
    void withRootDescription() { writeLut("root.conf", kRootConf); }
};

struct DeviceListCase {
    const char* name;
    bool lendSuite;
    std::vector<std::uint32_t> types;
    std::optional<int> countOverride;
    int expectedLevel;
    const char* expectedMessage;
};

void PrintTo(const DeviceListCase& c, std::ostream* os) {
    *os << c.name;
}

class StartupDevices : public Startup, public ::testing::WithParamInterface<DeviceListCase> {};

TEST_P(StartupDevices, ReportsOpenGLAvailabilityAndStarts) {
    const DeviceListCase& c = GetParam();
    withRootDescription();
    host.lendGPUDevice = c.lendSuite;
    for (std::uint32_t type : c.types) host.gpu.devices.push_back(device(type));
    host.gpu.countOverride = c.countOverride;

    ASSERT_EQ(start(), kQLXSuccess);
    ASSERT_EQ(host.util.log.count("kQLXGPUDeviceTypeOpenGL"), 1);
    for (const qlxhost::LogLine& line : host.util.log.lines()) {
        if (line.text.find("kQLXGPUDeviceTypeOpenGL") == std::string::npos) continue;
        EXPECT_EQ(line.level, c.expectedLevel);
        EXPECT_EQ(line.text, c.expectedMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DeviceLists, StartupDevices,
    ::testing::Values(
        DeviceListCase{"NoGpuSuite", false, {}, {}, 3, "kQLXGPUDeviceTypeOpenGL is Failed"},
        DeviceListCase{"EmptyList", true, {}, {}, 3, "kQLXGPUDeviceTypeOpenGL is Failed"},
        DeviceListCase{"OpenGLOnly", true, {2}, {}, 2, "kQLXGPUDeviceTypeOpenGL success"},
        DeviceListCase{
            "OpenGLAfterUnknown", true, {7, 0, 2}, {}, 2, "kQLXGPUDeviceTypeOpenGL success"},
        DeviceListCase{
            "UnknownTypesOnly", true, {0, 3, 99}, {}, 3, "kQLXGPUDeviceTypeOpenGL is Failed"},
        DeviceListCase{
            "NegativeCountListsNothing", true, {2}, -1, 3, "kQLXGPUDeviceTypeOpenGL is Failed"},
        DeviceListCase{
            "CountShorterThanList", true, {1, 2}, 1, 3, "kQLXGPUDeviceTypeOpenGL is Failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Startup, FillsTheInformationRecord) {
    withRootDescription();
    writeLut("looks/warm/warm.conf", R"({"GUID": "WARM", "NAME": "Warm"})");
    ASSERT_EQ(start(), kQLXSuccess);
    EXPECT_EQ(info.headerWord1, 1u);
    EXPECT_EQ(info.headerWord2, 1u);
    EXPECT_STREQ(info.familyName, "LUT");
    EXPECT_STREQ(info.vendorId, "com.lumicrest");
    EXPECT_STREQ(info.description, "LUT Desc");
    ASSERT_NE(info.furtherText, nullptr);
    EXPECT_STREQ(info.furtherText, "");
    EXPECT_EQ(info.effectCount, 2u);
    EXPECT_EQ(info.flag, 1u);
}

TEST_F(Startup, AcquiresTheFourSuitesInOrder) {
    withRootDescription();
    ASSERT_EQ(start(), kQLXSuccess);
    const std::vector<std::string> expected = {"Memory Allocator Suite",
                                               "Image Buffer ALlocator Suite", "Host Util Suite",
                                               "GPU Device Suite"};
    EXPECT_EQ(host.acquired, expected);
}

TEST_F(Startup, MissingLutFolderFailsAndLeavesTheRecordUntouched) {
    std::memset(&info, 0xAB, sizeof info);
    QLXPluginInfo before;
    std::memcpy(&before, &info, sizeof info);

    EXPECT_EQ(start(), kQLXFailed);
    EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);
    EXPECT_EQ(host.util.log.count("Parse LUT Filter Folder Failed: " + lutFolder()), 1);
}

TEST_F(Startup, FolderWithoutItsOwnDescriptionFails) {
    writeLut("looks/warm/warm.conf", R"({"GUID": "WARM"})");
    EXPECT_EQ(start(), kQLXFailed);
    EXPECT_EQ(host.util.log.count("Parse LUT Filter Folder Failed: "), 1);
}

TEST_F(Startup, EmptyHostPathLooksBelowTheFileSystemRoot) {
    host.util.paths[kQLXPathResources] = "";
    EXPECT_EQ(start(), kQLXFailed);
    EXPECT_EQ(host.util.log.count("Parse LUT Filter Folder Failed: /qlx_effect/plugin/LUT"), 1);
}

TEST_F(Startup, HostWithoutAnySuiteFailsQuietly) {
    host.lendHostUtil = false;
    host.lendGPUDevice = false;
    withRootDescription();  // unreachable: without the suite there is no path
    EXPECT_EQ(start(), kQLXFailed);
    EXPECT_TRUE(host.util.log.lines().empty());
}

TEST_F(Startup, NullHostContextFails) {
    EXPECT_EQ(plugin.startup(nullptr, &info), kQLXFailed);
}

TEST_F(Startup, ShutdownTwiceAnswersSuccess) {
    withRootDescription();
    ASSERT_EQ(start(), kQLXSuccess);
    EXPECT_EQ(plugin.shutdown(), kQLXSuccess);
    EXPECT_EQ(plugin.shutdown(), kQLXSuccess);
}

class EntryPointArguments : public Startup {
  protected:
    void SetUp() override {
        Startup::SetUp();
        withRootDescription();
        ASSERT_EQ(start(), kQLXSuccess);
    }
    qlxhost::EffectDescriptor descriptor;
};

TEST_F(EntryPointArguments, RegisterRefusesNegativeIndexAndNullDescriptor) {
    EXPECT_EQ(plugin.registerEffect(-1, descriptor.qlx()), kQLXBadArgument);
    EXPECT_EQ(plugin.registerEffect(0, nullptr), kQLXBadArgument);
    EXPECT_EQ(plugin.registerEffect(1000, descriptor.qlx()), kQLXBadArgument);
    EXPECT_EQ(descriptor.identityCalls, 0);
    EXPECT_EQ(plugin.registerEffect(0, descriptor.qlx()), kQLXSuccess);
    EXPECT_EQ(descriptor.guid, "ROOT-GUID");
}

TEST_F(EntryPointArguments, RegisterFromPathRefusesNullsAndEmptyFolders) {
    EXPECT_EQ(plugin.registerFromConfPath(nullptr, descriptor.qlx()), kQLXBadArgument);
    EXPECT_EQ(plugin.registerFromConfPath(lutFolder().c_str(), nullptr), kQLXBadArgument);
    const std::string missing = resources.path() + "/no-such-folder";
    EXPECT_EQ(plugin.registerFromConfPath(missing.c_str(), descriptor.qlx()), kQLXBadArgument);
    EXPECT_EQ(host.util.log.count("Register LUT Effect Failed: " + missing), 1);
}

TEST_F(EntryPointArguments, CreateWithUnknownGuidLeavesTheOutPointer) {
    QLXEffect* const sentinel = reinterpret_cast<QLXEffect*>(0x1234);
    QLXEffect* effect = sentinel;
    EXPECT_EQ(plugin.createEffect("NO-SUCH-GUID", 0, &effect), kQLXBadArgument);
    EXPECT_EQ(effect, sentinel);
    EXPECT_EQ(host.util.log.count("Create LUT Effect Failed: NO-SUCH-GUID"), 1);
    EXPECT_EQ(plugin.createEffect("root-guid", 0, &effect), kQLXBadArgument);  // case matters
}

}  // namespace
