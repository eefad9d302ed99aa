// Reading a folder tree of filter descriptions.
#include <algorithm>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"
#include "common/platform.h"

namespace {

// Folders nested deeper than this below the scanned one are passed over: the
// walk recurses once per level, and a host thread's stack is not ours to size.
constexpr std::size_t kMaxFolderDepth = 128;

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

bool contains(const std::string& name, const char* part) {
    return name.find(part) != std::string::npos;
}

}  // namespace

// Sub-folders are scanned as the listing yields them and the folder's own
// description is read after the listing, so descriptions enter the load order
// in post-order: the LUT folder's own ".conf" comes last. The name tests are
// case-sensitive substring tests ("notes.config" and "a.conf.bak" count as
// ".conf" files); when several names match, the last one listed wins.
std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::scanFolder(const std::string& folder,
                                                             bool readXml) {
    std::vector<std::string> openFolders;
    return scanTree(folder, readXml, openFolders);
}

std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::scanTree(const std::string& folder, bool readXml,
                                                           std::vector<std::string>& openFolders) {
    const std::string identity = qlx::platform::folderIdentity(folder);
    if (!identity.empty() &&
        std::find(openFolders.begin(), openFolders.end(), identity) != openFolders.end()) {
        return nullptr;
    }
    openFolders.push_back(identity);
    const std::string base = folder + "/";
    std::string confPath;
    std::string xmlPath;
    const bool listed =
        qlx::platform::listFolder(folder, [&](const qlx::platform::DirEntry& entry) {
            if (entry.isDirectory && !isDotEntry(entry.name)) {
                // Sub-folders never read their "filter.xml"; their results are stored already.
                if (openFolders.size() <= kMaxFolderDepth)
                    scanTree(base + entry.name, false, openFolders);
            } else if (contains(entry.name, ".conf")) {
                confPath = base + entry.name;
            } else if (contains(entry.name, "filter.xml")) {
                xmlPath = base + entry.name;
            }
        });
    openFolders.pop_back();
    if (!listed) return nullptr;

    std::shared_ptr<NLEFilterInfo> result;
    if (!confPath.empty()) result = readConfFile(*this, confPath);
    // With readXml the XML result stands, even when reading it failed.
    if (!xmlPath.empty() && readXml) result = readFilterXml(*this, xmlPath);
    return result;
}
