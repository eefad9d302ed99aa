#include "catalogue/filter_xml_reader.h"

#include <tinyxml2.h>

#include <optional>

#include "catalogue/description_folder.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/guid_check.h"
#include "common/platform.h"

namespace {

// The text of the first child element called `name`, or nothing when there is
// no such child. A child without text gives the empty text.
std::optional<std::string> childText(const tinyxml2::XMLElement* parent, const char* name) {
    const tinyxml2::XMLElement* child = parent ? parent->FirstChildElement(name) : nullptr;
    if (!child) return std::nullopt;
    const char* text = child->GetText();
    return std::string(text ? text : "");
}

void report(std::string* problem, const char* what) noexcept {
    if (!problem) return;
    try {
        *problem = what;
    } catch (...) {
        problem->clear();
    }
}

}  // namespace

std::shared_ptr<NLEFilterInfo> parseFilterXml(NLEFilterRegistry& registry,
                                              const tinyxml2::XMLDocument& doc,
                                              const std::string& folder, std::string* problem) {
    // The registry's mutex is held while the record is built and stored.
    return registry.storeXmlDescription([&]() -> std::shared_ptr<NLEFilterInfo> {
        const tinyxml2::XMLElement* filter = doc.FirstChildElement("Filter");
        if (!filter) {
            report(problem, "there is no top-level Filter element");
            return nullptr;
        }
        auto info = std::make_shared<NLEFilterInfo>();
        if (auto guid = childText(filter, "GUID")) {
            if (const char* reason = unusableGuidReason(*guid)) {
                report(problem, reason);
                return nullptr;
            }
            info->setGuid(std::move(*guid));
        }
        if (auto name = childText(filter, "Name")) info->setName(std::move(*name));
        const std::optional<std::string> lutFile =
            childText(filter->FirstChildElement("LUT"), "LutFile");
        if (lutFile && !lutFile->empty()) info->setLutPath(folder + *lutFile);
        return info;
    });
}

std::shared_ptr<NLEFilterInfo> readFilterXmlText(NLEFilterRegistry& registry,
                                                 const std::string& text, const std::string& folder,
                                                 std::string* problem) {
    try {
        tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
        if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
            report(problem, doc.ErrorStr());
            return nullptr;
        }
        return parseFilterXml(registry, doc, folder, problem);
    } catch (const std::exception& error) {
        report(problem, error.what());
    } catch (...) {
        report(problem, "the description could not be read");
    }
    return nullptr;
}

std::shared_ptr<NLEFilterInfo> readFilterXml(NLEFilterRegistry& registry, const std::string& path,
                                             std::string* problem) {
    try {
        std::string text;
        if (!qlx::platform::readWholeFile(path, &text)) {
            report(problem, "the file cannot be opened");
            return nullptr;
        }
        return readFilterXmlText(registry, text, descriptionFolder(path), problem);
    } catch (...) {
        report(problem, "the file could not be read");
        return nullptr;
    }
}
