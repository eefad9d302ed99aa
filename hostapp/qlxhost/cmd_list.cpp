// qlxhost list: every filter the plugin offers on a LUT folder, where its
// files are, and whether the plugin can load its LUT.
#include <fmt/core.h>

#include <filesystem>

#include "cli_error.h"
#include "commands.h"
#include "filter_catalogue.h"
#include "plugin_session.h"

namespace qlxhost::cli {
namespace {

std::string shown(const std::string& path, const std::string& lutFolder) {
    const std::string prefix = lutFolder + "/";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
}

std::string describeFiles(const FilterEntry& e, const std::string& lutFolder) {
    if (e.folder.empty()) return "(not found below the LUT folder)";
    std::string text;
    for (const std::string& file : e.descriptionFiles) {
        text += (text.empty() ? "" : ", ") + shown(e.folder + "/" + file, lutFolder);
    }
    return text;
}

// Renders a tiny frame through the plugin: the plugin's own verdict on the LUT.
std::string lutVerdict(HostSession& session, const FilterEntry& e) {
    try {
        EffectRunner runner(session, e, RenderSettings{});
        cv::Mat probe(4, 4, CV_8UC4, cv::Scalar(64, 128, 192, 255)), out;
        runner.render(probe, out);
        return "loads";
    } catch (const CliError& error) {
        const std::string why = error.what();
        if (why.find("does not load") != std::string::npos) {
            return "DOES NOT LOAD; 'qlxhost check' explains why";
        }
        return "not tried: " + why;
    }
}

std::string describeLut(HostSession& session, const FilterEntry& e, const std::string& lutFolder) {
    if (e.isCustomLut || e.takesLutPath) return "chosen per use: qlxhost apply --lut FILE";
    if (e.isRoot) return "none (the LUT folder's own description, shared by every filter)";
    if (!e.hasXml) return "none (its folder holds no filter.xml)";
    if (e.lutFile.empty()) return "none (its filter.xml names no LutFile)";
    return shown(e.lutFile, lutFolder) + " (" + lutVerdict(session, e) + ")";
}

}  // namespace

int runList(const CommonOptions& common, const ListOptions& options) {
    PluginHost host = startPlugin(common, options.lutFolder);
    HostSession* session = host.session.get();
    const FilterCatalogue catalogue(*session);
    const std::string& folder = session->lutFolder();
    fmt::print("LUT folder: {}\n", folder);
    fmt::print("{} filters ({} effects counted by the plugin at start-up)\n\n",
               catalogue.entries().size(), session->info().effectCount);
    for (const FilterEntry& e : catalogue.entries()) {
        fmt::print("{}\n", e.name.empty() ? "(no name)" : e.name);
        fmt::print("  GUID         {}\n", e.guid.empty() ? "(empty)" : e.guid);
        fmt::print("  description  {}\n", describeFiles(e, folder));
        fmt::print("  LUT file     {}\n", describeLut(*session, e, folder));
        std::fflush(stdout);
    }
    for (const std::string& refused : catalogue.refused()) {
        fmt::print(
            stderr,
            "warning: the plugin refused the filter folder {}; 'qlxhost check {}' explains why\n",
            refused, refused);
    }
    return kExitOk;
}

}  // namespace qlxhost::cli
