#include "report_json.h"

#include <fmt/core.h>

#include <nlohmann/json.hpp>

namespace qlxhost::cli {

void printFiltersJson(std::FILE* out, const std::string& lutFolder,
                      const std::vector<ListedFilter>& filters) {
    nlohmann::json list = nlohmann::json::array();
    for (const ListedFilter& f : filters) {
        list.push_back({{"name", f.name},
                        {"guid", f.guid},
                        {"kind", f.kind},
                        {"descriptionFiles", f.descriptionFiles},
                        {"lutFile", f.lutFile},
                        {"lut", f.lut}});
    }
    const nlohmann::json doc{{"lutFolder", lutFolder}, {"filters", list}};
    fmt::print(out, "{}\n", doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

void printReportsJson(std::FILE* out, const std::vector<FileReport>& reports) {
    nlohmann::json files = nlohmann::json::array();
    for (const FileReport& r : reports) {
        nlohmann::json findings = nlohmann::json::array();
        for (const Finding& f : r.findings) {
            findings.push_back({{"severity", f.severity == Finding::Error ? "error" : "warning"},
                                {"line", f.line},
                                {"text", f.text}});
        }
        files.push_back({{"path", r.path},
                         {"ok", !r.failed()},
                         {"summary", r.summary},
                         {"findings", findings}});
    }
    fmt::print(out, "{}\n", files.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace qlxhost::cli
