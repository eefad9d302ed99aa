// What `check` found, file by file, and how it is printed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "finding.h"

namespace qlxhost::cli {

struct FileReport {
    std::string path;
    std::string summary;  // what the file is, when it is usable
    Findings findings;
    bool failed() const;
};

// One block per file: the path, then "ok: <summary>" or each finding as
// "error|warning, line N: text". Returns the number of files that failed.
int printReports(std::FILE* out, const std::vector<FileReport>& reports);

}  // namespace qlxhost::cli
