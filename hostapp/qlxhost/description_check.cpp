#include "description_check.h"

#include <fmt/core.h>

#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"
#include "common/platform.h"
#include "lut_check.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

// JSON messages start with the library's own tag, which tells a user nothing.
std::string plainProblem(std::string problem) {
    if (problem.rfind("[json.exception.", 0) == 0) {
        const std::size_t end = problem.find("] ");
        if (end != std::string::npos) problem.erase(0, end + 2);
    }
    return problem.empty() ? "the description cannot be used" : problem;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// One description folder's files, in the order the plugin's listing yields them.
struct FolderFiles {
    std::vector<std::string> subFolders;
    std::vector<std::string> confFiles;
    std::string xmlFile;
};

FolderFiles listDescriptions(const std::string& folder) {
    FolderFiles files;
    qlx::platform::listFolder(folder, [&](const qlx::platform::DirEntry& entry) {
        if (entry.name == "." || entry.name == "..") return;
        const std::string full = folder + "/" + entry.name;
        if (entry.isDirectory) {
            files.subFolders.push_back(full);
        } else if (entry.name.find(".conf") != std::string::npos) {
            files.confFiles.push_back(full);
        } else if (entry.name.find("filter.xml") != std::string::npos) {
            files.xmlFile = full;
        }
    });
    return files;
}

class FolderChecker {
  public:
    std::vector<FileReport> run(const std::string& root);
    std::vector<FileReport> runConf(const std::string& path) {
        checkConf(path);
        return std::move(reports_);
    }
    std::vector<FileReport> runXml(const std::string& path) {
        checkXml(path, nullptr);
        return std::move(reports_);
    }

  private:
    void checkTree(const std::string& folder, bool isRoot);
    std::shared_ptr<NLEFilterInfo> checkConf(const std::string& path);
    void checkXml(const std::string& path, const std::shared_ptr<NLEFilterInfo>& conf);
    void checkPrograms(const NLEFilterInfo& root, FileReport& report);
    bool holdsDescriptions(const std::string& folder) const;

    NLEFilterRegistry registry_;
    std::vector<FileReport> reports_;
    std::map<std::string, std::string> confByGuid_;
    std::set<std::string> openFolders_;
};

std::vector<FileReport> FolderChecker::run(const std::string& root) {
    checkTree(root, true);
    if (reports_.empty()) {
        reports_.push_back({root, {}, {}});
        addError(reports_.back().findings, 0,
                 "no description (.conf or filter.xml) in this folder or below it");
    }
    return std::move(reports_);
}

bool FolderChecker::holdsDescriptions(const std::string& folder) const {
    const FolderFiles files = listDescriptions(folder);
    if (!files.confFiles.empty() || !files.xmlFile.empty()) return true;
    for (const std::string& sub : files.subFolders) {
        std::error_code ec;
        const std::string id = fs::canonical(sub, ec).string();
        if (!ec && !openFolders_.count(id) && holdsDescriptions(sub)) return true;
    }
    return false;
}

void FolderChecker::checkTree(const std::string& folder, bool isRoot) {
    std::error_code ec;
    const std::string id = fs::canonical(folder, ec).string();
    if (ec || !openFolders_.insert(id).second) return;  // a link back up
    const FolderFiles files = listDescriptions(folder);
    bool subDescriptions = false;
    for (const std::string& sub : files.subFolders) {
        const std::size_t before = reports_.size();
        checkTree(sub, false);
        subDescriptions = subDescriptions || reports_.size() > before;
    }
    openFolders_.erase(id);

    std::shared_ptr<NLEFilterInfo> conf;
    if (!files.confFiles.empty()) {
        const std::size_t at = reports_.size();
        conf = checkConf(files.confFiles.back());
        if (files.confFiles.size() > 1) {
            std::string others;
            for (std::size_t i = 0; i + 1 < files.confFiles.size(); ++i) {
                others += (i ? ", " : "") + fs::path(files.confFiles[i]).filename().string();
            }
            addWarning(reports_[at].findings, 0,
                       "the folder holds further .conf files (" + others +
                           "); the plugin reads only one per folder, the last its listing "
                           "yields: this one");
        }
        if (isRoot && subDescriptions && conf) checkPrograms(*conf, reports_[at]);
    } else if (isRoot && subDescriptions) {
        reports_.push_back({folder, {}, {}});
        addError(reports_.back().findings, 0,
                 "the LUT folder has no .conf description of its own: the plugin refuses to start "
                 "on it (\"Parse LUT Filter Folder Failed\")");
    }
    if (!files.xmlFile.empty()) checkXml(files.xmlFile, conf);
}

std::shared_ptr<NLEFilterInfo> FolderChecker::checkConf(const std::string& path) {
    std::string problem;
    std::shared_ptr<NLEFilterInfo> info = readConfFile(registry_, path, &problem);
    reports_.push_back({path, {}, {}});
    FileReport& report = reports_.back();
    if (!info) {
        addError(report.findings, 0, plainProblem(problem) + "; the plugin skips this description");
        return nullptr;
    }
    report.summary = fmt::format("filter \"{}\", GUID {}", info->name(), info->guid());
    const auto [it, added] = confByGuid_.emplace(info->guid(), path);
    if (!added) {
        addWarning(report.findings, 0,
                   "its GUID is also used by " + it->second +
                       "; the plugin keeps only the description it reads last under that GUID");
        it->second = path;
    }
    return info;
}

void FolderChecker::checkPrograms(const NLEFilterInfo& root, FileReport& report) {
    const struct {
        std::string path;
        const char* key;
        const char* renderer;
    } programs[] = {{root.openCLProgramPath(), "OPENCL", "opencl"},
                    {root.openGLProgramPath(), "OPENGL", "opengl"}};
    for (const auto& p : programs) {
        if (p.path.empty()) {
            addWarning(report.findings, 0,
                       fmt::format("the LUT folder's description names no {} program: the {} "
                                   "renderer cannot work",
                                   p.key, p.renderer));
        } else if (!exists(p.path)) {
            addError(report.findings, 0,
                     fmt::format("the {} program {} does not exist: the {} renderer will fail",
                                 p.key, p.path, p.renderer));
        }
    }
}

void FolderChecker::checkXml(const std::string& path, const std::shared_ptr<NLEFilterInfo>& conf) {
    std::string problem;
    std::shared_ptr<NLEFilterInfo> info = readFilterXml(registry_, path, &problem);
    reports_.push_back({path, {}, {}});
    const std::size_t at = reports_.size() - 1;
    if (!info) {
        addError(reports_[at].findings, 0,
                 plainProblem(problem) + "; registering this filter's folder fails");
        return;
    }
    const bool custom = info->guid() == NLEFilterRegistry::kUserLutGuid;
    reports_[at].summary = fmt::format("filter \"{}\", GUID {}{}", info->name(), info->guid(),
                                       info->lutPath().empty() ? "" : ", LUT " + info->lutPath());
    if (info->guid().empty()) {
        addWarning(reports_[at].findings, 0,
                   "no GUID element: the plugin stores this filter under an empty GUID");
    }
    if (conf && conf->guid() != info->guid()) {
        addWarning(reports_[at].findings, 0,
                   "its GUID differs from the .conf's (" + conf->guid() +
                       "): the plugin offers two filters, and the .conf's one has no LUT");
    }
    if (info->lutPath().empty()) {
        if (!custom) {
            addError(reports_[at].findings, 0,
                     "names no LUT file (Filter/LUT/LutFile): the filter passes frames through "
                     "unchanged");
        }
        return;
    }
    if (!exists(info->lutPath())) {
        addError(reports_[at].findings, 0,
                 "the LUT file it names, " + info->lutPath() + ", does not exist");
        return;
    }
    FileReport lut = checkLutFile(info->lutPath());
    if (lut.failed()) {
        addError(reports_[at].findings, 0, "its LUT file " + info->lutPath() + " does not load");
    }
    reports_.push_back(std::move(lut));
}

}  // namespace

std::vector<FileReport> checkConfFile(const std::string& path) {
    return FolderChecker().runConf(path);
}

std::vector<FileReport> checkFilterXmlFile(const std::string& path) {
    return FolderChecker().runXml(path);
}

std::vector<FileReport> checkFolder(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return FolderChecker().run(folder);
}

}  // namespace qlxhost::cli
