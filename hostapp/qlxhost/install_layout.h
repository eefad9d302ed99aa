// Where qlxhost finds the plugin and the bundled LUT folder without options:
// beside itself in a build tree (bin/ holds everything, the resources stay in
// the source tree), or in an installed tree:
//   <prefix>/bin/qlxhost
//   <prefix>/lib/qlxLUTPlugin/qlxLUTPlugin.qlx and its companion libraries
//   <prefix>/share/qlxLUTPlugin/qlx_effect/plugin/LUT
#pragma once

#include <string>

namespace qlxhost::cli {

// The folder holding the running program.
std::string programFolder();
// `explicitPath` when given, else the first plugin found in the layouts above.
std::string pluginPath(const std::string& explicitPath);
// The bundled LUT folder of the layouts above (installed first).
std::string bundledLutFolder();

}  // namespace qlxhost::cli
