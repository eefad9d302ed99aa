// qlxhost check: LUT folders, description files and LUT files, each problem
// explained with its file and line.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "check_report.h"
#include "cli_error.h"
#include "commands.h"
#include "description_check.h"
#include "lut_check.h"
#include "media_kind.h"
#include "report_json.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

std::vector<FileReport> checkPath(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return checkFolder(path);
    if (!fs::exists(path, ec)) {
        FileReport missing{path, {}, {}};
        addError(missing.findings, 0, "no such file or folder");
        return {missing};
    }
    const std::string name = fs::path(path).filename().string();
    // The same name tests as the plugin's folder scan.
    if (name.find(".conf") != std::string::npos) return checkConfFile(path);
    if (name.find("filter.xml") != std::string::npos) return checkFilterXmlFile(path);
    return {checkLutFile(path)};
}

}  // namespace

int runCheck(const CheckOptions& options) {
    std::vector<FileReport> reports;
    for (const std::string& path : options.paths) {
        for (FileReport& report : checkPath(path)) reports.push_back(std::move(report));
    }
    if (options.json) {
        printReportsJson(stdout, reports);
        const bool failed = std::any_of(reports.begin(), reports.end(),
                                        [](const FileReport& r) { return r.failed(); });
        return failed ? kExitFailed : kExitOk;
    }
    return printReports(stdout, reports) > 0 ? kExitFailed : kExitOk;
}

}  // namespace qlxhost::cli
