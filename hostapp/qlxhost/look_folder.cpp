#include "look_folder.h"

#include <fmt/core.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cli_error.h"
#include "lut_convert.h"

namespace qlxhost::cli {
namespace {

namespace fs = std::filesystem;

// A random (version 4) GUID in upper case, as the bundled looks write theirs.
std::string freshGuid() {
    std::random_device device;
    std::mt19937_64 random(device() ^ (static_cast<std::uint64_t>(device()) << 32));
    std::uint64_t hi = random(), lo = random();
    hi = (hi & ~0xF000ull) | 0x4000ull;
    lo = (lo & ~(0xC000ull << 48)) | (0x8000ull << 48);
    return fmt::format("{:08X}-{:04X}-{:04X}-{:04X}-{:012X}", hi >> 32, (hi >> 16) & 0xFFFF,
                       hi & 0xFFFF, lo >> 48, lo & 0xFFFFFFFFFFFFull);
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    if (!(file << text)) throw CliError(fmt::format("{}: cannot be written", path.string()));
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

}  // namespace

int runLookFolder(const LookFolderOptions& options) {
    const fs::path folder = fs::path(options.folder).lexically_normal();
    const std::string stem = folder.filename().empty() ? folder.parent_path().filename().string()
                                                       : folder.filename().string();
    const std::string name = options.name.empty() ? stem : options.name;
    if (name.find_first_of("\"\\\n") != std::string::npos) {
        throw CliError("a look name may not hold quotes, backslashes or line breaks", kExitUsage);
    }
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        throw CliError(fmt::format("{}: exists; nothing written", options.folder));
    }
    const BakedGrid grid = bakeLut(options.lutFile);
    if (!fs::create_directory(folder, ec)) {
        throw CliError(fmt::format("{}: cannot be created ({})", options.folder, ec.message()));
    }
    try {
        const std::string guid = freshGuid();
        writeGrid(grid, (folder / (stem + ".cube")).string(), name, false);
        writeText(folder / (stem + ".conf"),
                  fmt::format("{{\n  \"GUID\": \"{}\",\n  \"NAME\": \"{}\"\n}}\n", guid, name));
        writeText(folder / "filter.xml",
                  fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Filter>\n  "
                              "<GUID>{}</GUID>\n  <Name>{}</Name>\n  <LUT>\n    "
                              "<LutFile>{}.cube</LutFile>\n  </LUT>\n</Filter>\n",
                              guid, xmlEscaped(name), xmlEscaped(stem)));
        fmt::print("{}: look \"{}\", GUID {}, {} x {} x {} LUT\n", folder.string(), name, guid,
                   grid.size, grid.size, grid.size);
    } catch (...) {
        fs::remove_all(folder, ec);
        throw;
    }
    return kExitOk;
}

}  // namespace qlxhost::cli
