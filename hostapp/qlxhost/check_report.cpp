#include "check_report.h"

#include <fmt/core.h>

#include <algorithm>

namespace qlxhost::cli {

bool FileReport::failed() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Finding::Error; });
}

int printReports(std::FILE* out, const std::vector<FileReport>& reports) {
    int failed = 0, warned = 0;
    for (const FileReport& report : reports) {
        fmt::print(out, "{}\n", report.path);
        if (!report.failed()) fmt::print(out, "  ok: {}\n", report.summary);
        for (const Finding& f : report.findings) {
            const char* kind = f.severity == Finding::Error ? "error" : "warning";
            if (f.line > 0) {
                fmt::print(out, "  {}, line {}: {}\n", kind, f.line, f.text);
            } else {
                fmt::print(out, "  {}: {}\n", kind, f.text);
            }
        }
        failed += report.failed();
        warned += !report.failed() && !report.findings.empty();
    }
    fmt::print(out, "\n{} file(s) checked: {} with errors, {} with warnings only\n", reports.size(),
               failed, warned);
    return failed;
}

}  // namespace qlxhost::cli
