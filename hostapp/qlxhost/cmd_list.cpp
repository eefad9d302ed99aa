// qlxhost list: every filter the plugin offers on a LUT folder, where its
// files are, and whether the plugin can load its LUT.
#include <fmt/core.h>

#include <filesystem>

#include "cli_error.h"
#include "commands.h"
#include "filter_catalogue.h"
#include "plugin_session.h"
#include "report_json.h"

namespace qlxhost::cli {
namespace {

std::string shown(const std::string& path, const std::string& lutFolder) {
    const std::string prefix = lutFolder + "/";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
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
    if (!e.hasXml) return "none (its folder holds no filter.xml)";
    if (e.lutFile.empty()) return "none (its filter.xml names no LutFile)";
    return shown(e.lutFile, lutFolder) + " (" + lutVerdict(session, e) + ")";
}

const char* kindOf(const FilterEntry& e) {
    if (e.isRoot) return "folder-description";
    if (e.isCustomLut || e.takesLutPath) return "custom-lut";
    return e.hasXml && !e.lutFile.empty() ? "look" : "no-lut";
}

void printText(const std::string& folder, const std::vector<ListedFilter>& filters) {
    fmt::print("LUT folder: {}\n", folder);
    for (const ListedFilter& f : filters) {
        // Not a filter to apply: the description every filter of the folder shares.
        if (f.kind == "folder-description") {
            fmt::print("the folder's own description (not a look): {} ({})\n", f.name, f.guid);
        }
    }
    fmt::print("\n");
    for (const ListedFilter& f : filters) {
        if (f.kind == "folder-description") continue;
        std::string files;
        for (const std::string& file : f.descriptionFiles) {
            files += (files.empty() ? "" : ", ") + file;
        }
        fmt::print("{}\n", f.name.empty() ? "(no name)" : f.name);
        fmt::print("  GUID         {}\n", f.guid.empty() ? "(empty)" : f.guid);
        fmt::print("  description  {}\n",
                   files.empty() ? "(not found below the LUT folder)" : files);
        fmt::print("  LUT file     {}\n", f.lut);
        std::fflush(stdout);
    }
}

}  // namespace

int runList(const CommonOptions& common, const ListOptions& options) {
    PluginHost host = startPlugin(common, options.lutFolder);
    HostSession* session = host.session.get();
    const FilterCatalogue catalogue(*session);
    const std::string& folder = session->lutFolder();
    std::vector<ListedFilter> filters;
    for (const FilterEntry& e : catalogue.entries()) {
        ListedFilter f{e.name, e.guid, kindOf(e), {}, {}, {}};
        for (const std::string& file : e.descriptionFiles) {
            f.descriptionFiles.push_back(shown(e.folder + "/" + file, folder));
        }
        if (!e.isRoot) f.lut = describeLut(*session, e, folder);
        if (f.kind == std::string("look")) f.lutFile = shown(e.lutFile, folder);
        filters.push_back(std::move(f));
    }
    if (options.json) {
        printFiltersJson(stdout, folder, filters);
    } else {
        printText(folder, filters);
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
