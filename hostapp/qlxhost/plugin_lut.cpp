#include "plugin_lut.h"

#include <fmt/core.h>

#include "cli_error.h"
#include "input_file.h"

namespace qlxhost::cli {

std::unique_ptr<qlx::CubeLut> loadPluginLut(const std::string& path, const char* advice) {
    requireReadableFile(path, qlx::platform::kMaxReadableFileBytes, "LUT file");
    auto lut = std::make_unique<qlx::CubeLut>();
    if (!lut->loadCubeFile(path)) {
        throw CliError(fmt::format("{}: the plugin does not load this LUT (status {}); {}", path,
                                   lut->status, advice));
    }
    return lut;
}

}  // namespace qlxhost::cli
