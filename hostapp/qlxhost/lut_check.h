// Checks one LUT file with the plugin's own LUT reader: whether it loads (and
// the status code when it does not), every problem with its line, and what it
// will read differently from what the file's author meant.
#pragma once

#include <string>

#include "check_report.h"

namespace qlxhost::cli {

FileReport checkLutFile(const std::string& path);

}  // namespace qlxhost::cli
