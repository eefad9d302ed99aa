// Checks one LUT file: the plugin's own LUT loader says whether it loads, and
// a line-by-line reading says why not, and what it will read differently from
// what the file's author meant.
#pragma once

#include <string>

#include "check_report.h"

namespace qlxhost::cli {

FileReport checkLutFile(const std::string& path);

}  // namespace qlxhost::cli
