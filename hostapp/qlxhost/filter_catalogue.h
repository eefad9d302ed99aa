// The filters a LUT folder offers, as the plugin describes them to the host,
// joined with where their description and LUT files lie.
#pragma once

#include <string>
#include <vector>

#include "folder_survey.h"
#include "kit/host_session.h"

namespace qlxhost::cli {

// The filter whose LUT file the user chooses through "lut3dPath".
inline constexpr char kCustomLutGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

struct FilterEntry {
    std::string guid;
    std::string name;
    std::string folder;                         // where its description lies; may be empty
    std::vector<std::string> descriptionFiles;  // file names in `folder`
    std::string lutFile;                        // named by its "filter.xml"; may be empty
    bool isRoot = false;                        // the LUT folder's own description
    bool isCustomLut = false;                   // the LUT comes from "lut3dPath"
    bool hasXml = false;                        // registered through its "filter.xml" folder
    bool takesLutPath = false;                  // the plugin declared "lut3dPath" for it
};

class FilterCatalogue {
  public:
    // Registers every filter of the session's LUT folder with the plugin.
    explicit FilterCatalogue(HostSession& session);

    const std::vector<FilterEntry>& entries() const { return entries_; }
    // By GUID in any letter case, else by name (exact, then ignoring letter case).
    // CliError when nothing or more than one filter matches.
    const FilterEntry& find(const std::string& nameOrGuid) const;
    // Filters with a LUT file of their own, as the demo renders them.
    std::vector<const FilterEntry*> looks() const;
    // Folders whose registration the plugin refused.
    const std::vector<std::string>& refused() const { return refused_; }

  private:
    std::vector<FilterEntry> entries_;
    std::vector<std::string> refused_;
};

}  // namespace qlxhost::cli
