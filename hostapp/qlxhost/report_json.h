// `list --json` and `check --json`: what the commands print, for scripts.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "check_report.h"

namespace qlxhost::cli {

struct ListedFilter {
    std::string name, guid, kind;  // kind: "look", "custom-lut", "folder-description", ...
    std::vector<std::string> descriptionFiles;
    std::string lutFile;  // may be empty
    std::string lut;      // the plugin's verdict or why there is none
};

void printFiltersJson(std::FILE* out, const std::string& lutFolder,
                      const std::vector<ListedFilter>& filters);
// One object per file: path, ok, summary, findings (severity, line, text).
void printReportsJson(std::FILE* out, const std::vector<FileReport>& reports);

}  // namespace qlxhost::cli
