// Describing a filter to the host: identity, flags, parameters and the log line.
#include <gtest/gtest.h>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "support/lent_host_util.h"

namespace {

// A declared parameter as one line: kind, group, index, names, then its numbers.
std::string describe(const qlxhost::EffectDescriptor::Param& p) {
    std::string text = (p.isString ? "S" : "I") + std::to_string(p.group) + "," +
                       std::to_string(p.index) + "," + p.name + "," + p.displayName;
    if (p.isString)
        return text + "," + (p.hasDefaultText ? p.defaultText : "null") + "," +
               std::to_string(p.flags);
    for (int n : {p.minimum, p.maximum, p.defaultValue, p.step, p.widget})
        text += "," + std::to_string(n);
    return text;
}

TEST(RegisterEffect, OnlyTheUserLutFilterOffersALutFileAndOpenGLSetsTheFlag) {
    const std::vector<std::string> kWithLutFile = {"S-1,0,lut3dPath,lut3dPath,null,0",
                                                   "I-1,1,alpha,alpha,0,100,100,1,2",
                                                   "I-1,2,skinProtect,skinProtect,0,100,0,1,2"};
    const std::vector<std::string> kPercentsOnly = {"I-1,0,alpha,alpha,0,100,100,1,2",
                                                    "I-1,1,skinProtect,skinProtect,0,100,0,1,2"};
    const struct {
        std::string guid;
        bool openGL;
        std::uint32_t flags;
        const std::vector<std::string>& params;
    } rows[] = {
        {NLEFilterRegistry::kUserLutGuid, true, 0x972, kWithLutFile},
        {NLEFilterRegistry::kUserLutGuid, false, 0x872, kWithLutFile},
        {"74eb022d-1d73-4d1e-9f70-487c356d46cd", false, 0x872, kPercentsOnly},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.guid + (row.openGL ? " with OpenGL" : ""));
        qlxtest::LentHostUtil host;
        qlx::processState().openGLDevicePresent = row.openGL;
        auto info = std::make_shared<NLEFilterInfo>();
        info->setGuid(row.guid);
        info->setName("Teal %s Orange");
        qlxhost::EffectDescriptor descriptor;
        EXPECT_EQ(NLEFilterRegistry().registerEffect(info, descriptor.qlx()), kQLXSuccess);
        qlx::processState().openGLDevicePresent = false;
        EXPECT_EQ(descriptor.guid, row.guid);
        EXPECT_EQ(descriptor.name, "Teal %s Orange");
        EXPECT_EQ(descriptor.flags, std::vector<std::uint32_t>{row.flags});
        EXPECT_EQ(descriptor.options, std::vector<std::uint32_t>{0});
        std::vector<std::string> params;
        for (const auto& p : descriptor.params) params.push_back(describe(p));
        EXPECT_EQ(params, row.params);
        ASSERT_EQ(host.log.lines().size(), 1u);
        EXPECT_EQ(host.log.lines()[0].level, kQLXLogInfo);
        EXPECT_EQ(host.log.lines()[0].text,
                  "Register LUT Effect Success: " + row.guid + " Teal %s Orange");
    }
}

TEST(RegisterEffect, LongTextsAreCutTo511BytesAndMissingArgumentsRefused) {
    auto info = std::make_shared<NLEFilterInfo>();
    info->setGuid(std::string(700, 'g'));
    info->setName(std::string(600, 'n'));
    qlxhost::EffectDescriptor descriptor;  // and no Host Util Suite to log to
    EXPECT_EQ(NLEFilterRegistry().registerEffect(info, descriptor.qlx()), kQLXSuccess);
    EXPECT_EQ(descriptor.guid, std::string(511, 'g'));
    EXPECT_EQ(descriptor.name, std::string(511, 'n'));
    EXPECT_EQ(NLEFilterRegistry().registerEffect(nullptr, descriptor.qlx()), kQLXBadArgument);
    EXPECT_EQ(NLEFilterRegistry().registerEffect(info, nullptr), kQLXBadArgument);
    EXPECT_EQ(descriptor.identityCalls, 1);
}

}  // namespace
