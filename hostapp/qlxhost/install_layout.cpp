#include "install_layout.h"

#include <filesystem>
#include <system_error>

#include "cli_error.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

bool present(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

}  // namespace

std::string programFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

std::string pluginPath(const std::string& explicitPath) {
    if (!explicitPath.empty()) {
        if (!present(explicitPath))
            throw CliError("the plugin " + explicitPath + " does not exist");
        return explicitPath;
    }
    const fs::path here = programFolder();
    for (const fs::path& candidate :
         {here / "qlxLUTPlugin.qlx", here / "../lib/qlxLUTPlugin/qlxLUTPlugin.qlx"}) {
        if (present(candidate)) return candidate.lexically_normal().string();
    }
    throw CliError("qlxLUTPlugin.qlx was not found beside " + here.string() +
                   " nor in ../lib/qlxLUTPlugin; name it with --plugin");
}

std::string bundledLutFolder() {
    const fs::path installed =
        fs::path(programFolder()) / "../share/qlxLUTPlugin/qlx_effect/plugin/LUT";
    if (present(installed)) return installed.lexically_normal().string();
    const fs::path source = fs::path(QLXHOST_SOURCE_RESOURCES) / "qlx_effect/plugin/LUT";
    if (present(source)) return source.lexically_normal().string();
    throw CliError("the bundled LUT folder was not found; name one with --lut-folder");
}

}  // namespace qlxhost::cli
