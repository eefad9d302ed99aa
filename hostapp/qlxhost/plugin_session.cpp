#include "plugin_session.h"

#include <filesystem>
#include <system_error>

#include "cli_error.h"
#include "install_layout.h"

namespace qlxhost::cli {

PluginHost startPlugin(const CommonOptions& common, const std::string& lutFolder,
                       Renderer renderer) {
    PluginHost host;
    SessionConfig config;
    config.pluginPath = pluginPath(common.pluginPath);
    config.lutFolder = lutFolder.empty() ? bundledLutFolder() : lutFolder;
    std::error_code ec;
    if (!std::filesystem::is_directory(config.lutFolder, ec)) {
        throw CliError("the LUT folder " + config.lutFolder + " does not exist");
    }
    if (renderer == Renderer::OpenCL) {
        host.openCL = std::make_unique<OpenCLDevice>();
        if (!host.openCL->open()) {
            throw CliError("the opencl renderer needs an OpenCL device: " + host.openCL->error());
        }
        config.devices.push_back(host.openCL->record());
    }
    host.session = std::make_unique<HostSession>();
    HostSession* session = host.session.get();
    session->log().setEcho(common.verbose);
    if (!session->start(config)) {
        std::string why = session->error();
        for (const LogLine& line : session->log().lines()) {
            if (line.level >= kQLXLogError) why = line.text;
        }
        // Name the folder as the user gave it, not the private link to it.
        const std::string seen = session->pluginLutFolder();
        for (std::size_t at; !seen.empty() && (at = why.find(seen)) != std::string::npos;) {
            why.replace(at, seen.size(), config.lutFolder);
        }
        throw CliError("the plugin does not start on the LUT folder " + config.lutFolder + ": " +
                       why + "; 'qlxhost check " + config.lutFolder + "' explains the folder");
    }
    return host;
}

}  // namespace qlxhost::cli
