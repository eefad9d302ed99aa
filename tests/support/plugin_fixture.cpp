#include "support/plugin_fixture.h"

namespace qlxtest {

void PluginTest::SetUp() {
    ASSERT_TRUE(plugin.loadFreshCopy(QLX_PLUGIN_PATH)) << plugin.error();
    host.util.paths[kQLXPathResources] = resources.path();
    host.util.paths[kQLXPathPluginFolder] = QLX_BIN_DIR;
}

void PluginTest::TearDown() {
    if (plugin.shutdown) plugin.shutdown();
}

int PluginTest::start() {
    return plugin.startup(host.context(), &info);
}

}  // namespace qlxtest
