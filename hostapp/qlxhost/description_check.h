// Checks filter descriptions the way the plugin reads them: a ".conf" file, a
// "filter.xml" file with the LUT file it names, or a whole LUT folder (every
// description below it, the folder's own ".conf", the program files it names,
// GUIDs used twice).
#pragma once

#include <string>
#include <vector>

#include "check_report.h"

namespace qlxhost::cli {

std::vector<FileReport> checkConfFile(const std::string& path);
std::vector<FileReport> checkFilterXmlFile(const std::string& path);
std::vector<FileReport> checkFolder(const std::string& path);

}  // namespace qlxhost::cli
