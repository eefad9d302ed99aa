// Drives a fresh copy of the built plugin through the host kit, as an editor
// would: each fixture gets its own process-wide plugin state.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kit/host_kit.h"
#include "kit/plugin_library.h"
#include "support/temp_dir.h"

namespace qlxtest {

class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(plugin.loadFreshCopy(QLX_PLUGIN_PATH)) << plugin.error();
        host.util.paths[kQLXPathResources] = resources.path();
        host.util.paths[kQLXPathPluginFolder] = QLX_BIN_DIR;
    }
    void TearDown() override {
        if (plugin.shutdown) plugin.shutdown();
    }

    // The LUT folder the host points the plugin at: resources()/qlx_effect/plugin/LUT.
    std::string lutFolder() const { return resources.path() + "/qlx_effect/plugin/LUT"; }
    // Writes a file below the LUT folder.
    std::string writeLut(const std::string& relative, const std::string& content) const {
        return resources.write("qlx_effect/plugin/LUT/" + relative, content);
    }
    // Starts the plugin; the information record is kept in `info`.
    int start() { return plugin.startup(host.context(), &info); }

    TempDir resources;
    qlxhost::Host host;
    qlxhost::PluginLibrary plugin;
    QLXPluginInfo info{};
};

}  // namespace qlxtest
