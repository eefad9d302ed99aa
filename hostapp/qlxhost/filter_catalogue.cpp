#include "filter_catalogue.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "cli_error.h"

namespace qlxhost::cli {
namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool declaresLutPath(const FilterDescription& filter) {
    return std::any_of(filter.params.begin(), filter.params.end(),
                       [](const auto& p) { return p.name == "lut3dPath"; });
}

// Display order: the folder's own description, the custom-LUT filter, then by name.
int rank(const FilterEntry& e) {
    return e.isRoot ? 0 : e.isCustomLut ? 1 : 2;
}

}  // namespace

FilterCatalogue::FilterCatalogue(HostSession& session) {
    const std::vector<FolderDescriptions> folders = surveyLutFolder(session.lutFolder());
    std::map<std::string, FilterEntry> byGuid;
    std::vector<std::string> order;
    auto entryFor = [&](const FilterDescription& d) -> FilterEntry& {
        auto [it, added] = byGuid.try_emplace(d.guid);
        if (added) order.push_back(d.guid);
        it->second.guid = d.guid;
        it->second.name = d.name;
        it->second.takesLutPath = it->second.takesLutPath || declaresLutPath(d);
        return it->second;
    };
    std::vector<std::string> failures;
    for (const FilterDescription& d : session.registerAll(&failures)) {
        FilterEntry& entry = entryFor(d);
        for (const FolderDescriptions& f : folders) {
            const bool registeredHere = !d.folder.empty()
                                            ? f.folder == d.folder
                                            : !f.confFiles.empty() && f.confGuid == d.guid;
            if (!registeredHere) continue;
            entry.folder = f.folder;
            entry.descriptionFiles = f.confFiles;
            if (!f.xmlFile.empty()) entry.descriptionFiles.push_back(f.xmlFile);
            entry.isRoot = entry.isRoot || f.folder == session.lutFolder();
            if (!d.folder.empty()) entry.lutFile = f.lutFile;
        }
        entry.hasXml = entry.hasXml || !d.folder.empty();
        entry.isCustomLut = d.guid == kCustomLutGuid;
    }
    for (const std::string& failure : failures) {
        if (failure.rfind("index ", 0) != 0) refused_.push_back(failure);
    }
    for (const std::string& guid : order) entries_.push_back(byGuid[guid]);
    std::stable_sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        return lowered(a.name) < lowered(b.name);
    });
}

const FilterEntry& FilterCatalogue::find(const std::string& nameOrGuid) const {
    for (const FilterEntry& e : entries_) {
        if (lowered(e.guid) == lowered(nameOrGuid)) return e;
    }
    for (bool ignoreCase : {false, true}) {
        std::vector<const FilterEntry*> matches;
        for (const FilterEntry& e : entries_) {
            if (ignoreCase ? lowered(e.name) == lowered(nameOrGuid) : e.name == nameOrGuid) {
                matches.push_back(&e);
            }
        }
        if (matches.size() == 1) return *matches.front();
        if (matches.size() > 1) {
            std::string guids;
            for (const FilterEntry* e : matches) guids += (guids.empty() ? "" : ", ") + e->guid;
            throw CliError(
                "several filters are named '" + nameOrGuid + "'; choose one by GUID: " + guids,
                kExitUsage);
        }
    }
    throw CliError(
        "no filter is named '" + nameOrGuid + "' or has that GUID; 'qlxhost list' shows them",
        kExitUsage);
}

std::vector<const FilterEntry*> FilterCatalogue::looks() const {
    std::vector<const FilterEntry*> looks;
    for (const FilterEntry& e : entries_) {
        if (e.hasXml && !e.lutFile.empty() && !e.isCustomLut) looks.push_back(&e);
    }
    return looks;
}

}  // namespace qlxhost::cli
