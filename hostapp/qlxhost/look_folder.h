// qlxhost look-folder: a LUT file turned into a look folder the plugin
// registers: NAME.conf with a fresh GUID, filter.xml and the converted LUT.
#pragma once

#include <string>

namespace qlxhost::cli {

struct LookFolderOptions {
    std::string lutFile;
    std::string folder;  // created; must not exist
    std::string name;    // empty: the folder's name
};

int runLookFolder(const LookFolderOptions& options);

}  // namespace qlxhost::cli
