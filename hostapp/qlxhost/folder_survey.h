// What the description files of a LUT folder say about themselves, read by the
// host for display: which folder each filter lives in and which LUT file its
// "filter.xml" names. The plugin's own registration stays the authority on
// which filters exist; this only tells the user where to look.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

struct FolderDescriptions {
    std::string folder;                  // full path
    std::vector<std::string> confFiles;  // names containing ".conf", listing order
    std::string xmlFile;                 // name containing "filter.xml", or empty
    std::string confGuid;                // "GUID" of the last ".conf", when readable
    std::string xmlGuid;                 // Filter/GUID of the "filter.xml"
    std::string lutFile;                 // folder + "/" + Filter/LUT/LutFile, or empty
};

// Every folder at or below `lutFolder` holding a description, in path order.
std::vector<FolderDescriptions> surveyLutFolder(const std::string& lutFolder);

}  // namespace qlxhost::cli
