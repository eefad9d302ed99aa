// The "filter.xml" description: a Filter element naming the filter's GUID, its
// name and the LUT file it applies.
//
//   <Filter><GUID>...</GUID><Name>...</Name><LUT><LutFile>a.cube</LutFile></LUT></Filter>
//
// Element names are exact and case-sensitive, the first matching child counts,
// attributes and other elements are ignored. Texts keep their white space and
// entities are expanded. An element that is present but holds no text leaves its
// field empty. A file that cannot be opened or parsed, or that has no top-level
// Filter element, yields null and stores nothing; nothing is raised out of the
// readers. When `problem` is given, it receives a short reason.
#pragma once

#include <memory>
#include <string>

namespace tinyxml2 {
class XMLDocument;
}
class NLEFilterInfo;
class NLEFilterRegistry;

// Reads the file at `path` (UTF-8). An accepted description is stored in the
// registry under its GUID (not in the load order).
std::shared_ptr<NLEFilterInfo> readFilterXml(NLEFilterRegistry& registry, const std::string& path,
                                             std::string* problem = nullptr);

// As readFilterXml for the file's whole text; `folder` is what "LutFile" is
// joined to.
std::shared_ptr<NLEFilterInfo> readFilterXmlText(NLEFilterRegistry& registry,
                                                 const std::string& text, const std::string& folder,
                                                 std::string* problem = nullptr);

// Interprets a parsed document and stores the record it describes. A GUID that
// cannot name a filter (see guid_check.h) refuses the description.
std::shared_ptr<NLEFilterInfo> parseFilterXml(NLEFilterRegistry& registry,
                                              const tinyxml2::XMLDocument& doc,
                                              const std::string& folder,
                                              std::string* problem = nullptr);
