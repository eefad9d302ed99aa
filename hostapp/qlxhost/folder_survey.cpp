#include "folder_survey.h"

#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "common/platform.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

// Descriptions are read through the plugin's own opening, so a FIFO or a
// device among them is refused at once instead of blocking the survey.
std::string confGuid(const fs::path& file) {
    std::string text;
    if (!qlx::platform::readWholeFile(file.string(), &text)) return {};
    std::istringstream in(text);
    nlohmann::json doc;
    try {
        in >> doc;  // like the plugin: whatever follows the first value is ignored
    } catch (const nlohmann::json::exception&) {
        return {};
    }
    if (!doc.is_object()) return {};
    const auto guid = doc.find("GUID");
    return guid != doc.end() && guid->is_string() ? guid->get<std::string>() : std::string();
}

void readFilterXml(const fs::path& file, FolderDescriptions& out) {
    std::string text;
    if (!qlx::platform::readWholeFile(file.string(), &text)) return;
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return;
    const tinyxml2::XMLElement* filter = doc.FirstChildElement("Filter");
    if (!filter) return;
    if (const auto* guid = filter->FirstChildElement("GUID"); guid && guid->GetText()) {
        out.xmlGuid = guid->GetText();
    }
    const tinyxml2::XMLElement* lut = filter->FirstChildElement("LUT");
    const tinyxml2::XMLElement* lutFile = lut ? lut->FirstChildElement("LutFile") : nullptr;
    if (lutFile && lutFile->GetText()) out.lutFile = out.folder + "/" + lutFile->GetText();
}

FolderDescriptions surveyFolder(const fs::path& folder) {
    FolderDescriptions out;
    out.folder = folder.string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (name.find(".conf") != std::string::npos) {
            out.confFiles.push_back(name);
        } else if (name.find("filter.xml") != std::string::npos) {
            out.xmlFile = name;
        }
    }
    if (!out.confFiles.empty()) out.confGuid = confGuid(folder / out.confFiles.back());
    if (!out.xmlFile.empty()) readFilterXml(folder / out.xmlFile, out);
    return out;
}

}  // namespace

std::vector<FolderDescriptions> surveyLutFolder(const std::string& lutFolder) {
    std::vector<fs::path> folders{fs::path(lutFolder)};
    std::error_code ec;
    const auto options = fs::directory_options::follow_directory_symlink |
                         fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(lutFolder, options, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) folders.push_back(it->path());
    }
    std::sort(folders.begin() + 1, folders.end());
    std::vector<FolderDescriptions> found;
    for (const fs::path& folder : folders) {
        FolderDescriptions descriptions = surveyFolder(folder);
        if (!descriptions.confFiles.empty() || !descriptions.xmlFile.empty()) {
            found.push_back(std::move(descriptions));
        }
    }
    return found;
}

}  // namespace qlxhost::cli
