#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "host_util_double.h"
#include "plugin/process_state.h"

namespace {

// Records every descriptor call as one line of text.
class RecordingDescriptor : public QLXEffectDescriptor {
  public:
    RecordingDescriptor() : QLXEffectDescriptor{&kVtbl} {}
    std::vector<std::string> calls;

  private:
    static RecordingDescriptor& self(QLXEffectDescriptor* d) {
        return *static_cast<RecordingDescriptor*>(d);
    }
    static std::string text(const char* s) { return s ? std::string("\"") + s + "\"" : "null"; }
    static int setIdentity(QLXEffectDescriptor* d, const char* guid, const char* name) {
        self(d).calls.push_back("SetIdentity(" + text(guid) + "," + text(name) + ")");
        return 0;
    }
    static int setFlags(QLXEffectDescriptor* d, std::uint32_t flags) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", flags);
        self(d).calls.push_back(std::string("SetFlags(") + hex + ")");
        return 0;
    }
    static int setOption(QLXEffectDescriptor* d, std::uint32_t option) {
        self(d).calls.push_back("SetOption(" + std::to_string(option) + ")");
        return 0;
    }
    static int addInt(QLXEffectDescriptor* d, int group, int index, const char* name,
                      const char* display, int minimum, int maximum, int defaultValue, int step,
                      int widget) {
        self(d).calls.push_back("AddIntParam(" + std::to_string(group) + "," +
                                std::to_string(index) + "," + text(name) + "," + text(display) +
                                "," + std::to_string(minimum) + "," + std::to_string(maximum) +
                                "," + std::to_string(defaultValue) + "," + std::to_string(step) +
                                "," + std::to_string(widget) + ")");
        return 0;
    }
    static int addString(QLXEffectDescriptor* d, int group, int index, const char* name,
                         const char* display, const char* defaultText, int flags) {
        self(d).calls.push_back("AddStringParam(" + std::to_string(group) + "," +
                                std::to_string(index) + "," + text(name) + "," + text(display) +
                                "," + text(defaultText) + "," + std::to_string(flags) + ")");
        return 0;
    }
    static constexpr QLXEffectDescriptorVtbl kVtbl{setIdentity, setFlags, setOption, {},
                                                   addInt,      {},       addString};
};

struct RegistrationCase {
    const char* why;
    std::string guid, name;
    bool openGLDevice;
    std::vector<std::string> calls;
};

class RegisterEffect : public ::testing::TestWithParam<RegistrationCase> {
  protected:
    void TearDown() override { qlx::processState().openGLDevicePresent = false; }
};

TEST_P(RegisterEffect, DescribesTheFilterToTheHost) {
    const RegistrationCase& c = GetParam();
    HostUtilDouble host;
    qlx::processState().openGLDevicePresent = c.openGLDevice;
    auto info = std::make_shared<NLEFilterInfo>();
    info->setGuid(c.guid);
    info->setName(c.name);
    info->addParam(0, std::make_shared<NLEFilterParams>());  // never declared to the host
    info->setParamCount(1);
    RecordingDescriptor descriptor;
    EXPECT_EQ(NLEFilterRegistry().registerEffect(info, &descriptor), 0);
    EXPECT_EQ(descriptor.calls, c.calls);
    const auto log = host.logCalls();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].level, 2);
    EXPECT_EQ(log[0].text, "Register LUT Effect Success: " + c.guid + " " + c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, RegisterEffect,
    ::testing::Values(
        RegistrationCase{"UserLutWithOpenGL",
                         "74EB022D-1D73-4D1E-9F70-487C356D46CD",
                         "Custom LUT",
                         true,
                         {R"(SetIdentity("74EB022D-1D73-4D1E-9F70-487C356D46CD","Custom LUT"))",
                          "SetFlags(0x972)", "SetOption(0)",
                          R"(AddStringParam(-1,0,"lut3dPath","lut3dPath",null,0))",
                          R"(AddIntParam(-1,1,"alpha","alpha",0,100,100,1,2))",
                          R"(AddIntParam(-1,2,"skinProtect","skinProtect",0,100,0,1,2))"}},
        RegistrationCase{
            "UserLutWithoutOpenGL",
            "74EB022D-1D73-4D1E-9F70-487C356D46CD",
            "",
            false,
            {R"(SetIdentity("74EB022D-1D73-4D1E-9F70-487C356D46CD",""))", "SetFlags(0x872)",
             "SetOption(0)", R"(AddStringParam(-1,0,"lut3dPath","lut3dPath",null,0))",
             R"(AddIntParam(-1,1,"alpha","alpha",0,100,100,1,2))",
             R"(AddIntParam(-1,2,"skinProtect","skinProtect",0,100,0,1,2))"}},
        RegistrationCase{
            "LowerCaseGuidIsAnotherFilter",
            "74eb022d-1d73-4d1e-9f70-487c356d46cd",
            "Look",
            false,
            {R"(SetIdentity("74eb022d-1d73-4d1e-9f70-487c356d46cd","Look"))", "SetFlags(0x872)",
             "SetOption(0)", R"(AddIntParam(-1,0,"alpha","alpha",0,100,100,1,2))",
             R"(AddIntParam(-1,1,"skinProtect","skinProtect",0,100,0,1,2))"}},
        RegistrationCase{"FixedLook",
                         "A1",
                         "Teal %s Orange",
                         true,
                         {R"(SetIdentity("A1","Teal %s Orange"))", "SetFlags(0x972)",
                          "SetOption(0)", R"(AddIntParam(-1,0,"alpha","alpha",0,100,100,1,2))",
                          R"(AddIntParam(-1,1,"skinProtect","skinProtect",0,100,0,1,2))"}}),
    [](const auto& info) { return std::string(info.param.why); });

TEST(RegisterEffectLimits, LongTextsAreCutToTheBuffers) {
    auto info = std::make_shared<NLEFilterInfo>();
    info->setGuid(std::string(700, 'g'));
    info->setName(std::string(600, 'n'));
    RecordingDescriptor descriptor;
    NLEFilterRegistry().registerEffect(info, &descriptor);
    ASSERT_FALSE(descriptor.calls.empty());
    EXPECT_EQ(descriptor.calls[0],
              "SetIdentity(\"" + std::string(511, 'g') + "\",\"" + std::string(511, 'n') + "\")");
}

TEST(RegisterEffectLimits, WithoutHostUtilSuiteStillSucceeds) {
    auto info = std::make_shared<NLEFilterInfo>();
    info->setGuid("g");
    RecordingDescriptor descriptor;
    EXPECT_EQ(NLEFilterRegistry().registerEffect(info, &descriptor), 0);
    EXPECT_EQ(descriptor.calls.size(), 5u);
}

TEST(RegisterEffectLimits, MissingArgumentsAreRefused) {
    RecordingDescriptor descriptor;
    EXPECT_EQ(NLEFilterRegistry().registerEffect(nullptr, &descriptor), 2);
    EXPECT_EQ(NLEFilterRegistry().registerEffect(std::make_shared<NLEFilterInfo>(), nullptr), 2);
    EXPECT_TRUE(descriptor.calls.empty());
}

}  // namespace
