#include "catalogue/conf_reader.h"

#include <cstdio>
#include <istream>
#include <nlohmann/json.hpp>
#include <optional>

#include "catalogue/conf_fields.h"
#include "catalogue/description_error.h"
#include "catalogue/description_folder.h"
#include "catalogue/file_read_buffer.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/guid_check.h"
#include "common/platform.h"

namespace {

// The display name when "NAME" is absent: the program name as written, cut
// before its last '.'.
std::string nameFromProgram(const std::string& program) {
    const std::size_t dot = program.rfind('.');
    return dot == std::string::npos ? program : program.substr(0, dot);
}

bool isEmptyDocument(const nlohmann::json& doc) {
    return doc.is_null() || ((doc.is_object() || doc.is_array()) && doc.empty());
}

// Builds the record from the document; raises DescriptionError when the
// description cannot be used.
std::shared_ptr<NLEFilterInfo> interpretConf(const nlohmann::json& doc, const std::string& folder) {
    if (isEmptyDocument(doc)) throw DescriptionError("the description is empty");
    if (!doc.is_object()) throw DescriptionError("the description is not a JSON object");
    auto info = std::make_shared<NLEFilterInfo>();

    const std::optional<std::string> guid = conf::optionalText(doc, "GUID");
    if (!guid) throw DescriptionError("\"GUID\" is missing");
    if (guid->empty()) throw DescriptionError("\"GUID\" is empty");
    if (const char* reason = unusableGuidReason(*guid)) throw DescriptionError(reason);
    info->setGuid(*guid);

    const std::optional<std::string> openCL = conf::optionalText(doc, "OPENCL");
    if (openCL) {
        info->setOpenCLProgramPath(folder + *openCL);
        info->setHasOpenCL(1);
    }
    if (const std::optional<std::string> openGL = conf::optionalText(doc, "OPENGL")) {
        info->setOpenGLProgramPath(folder + *openGL);
        info->setHasOpenGL(1);
    }
    const std::optional<std::string> name = conf::optionalText(doc, "NAME");
    info->setName(name ? *name : openCL ? nameFromProgram(*openCL) : std::string());
    info->setDynamic(conf::optionalDecimalSwitch(doc, "DYNAMIC"));
    info->setEncrypted(conf::optionalDecimalSwitch(doc, "ENCRYPT"));

    const auto params = doc.find("PARAMS");
    if (params != doc.end()) parseParams(*params, *info);
    return info;
}

// Never raises: it runs inside the readers' catch blocks.
void report(std::string* problem, const char* what) noexcept {
    if (!problem) return;
    try {
        *problem = what;
    } catch (...) {
        problem->clear();
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::shared_ptr<NLEFilterInfo> parseConf(NLEFilterRegistry& registry, const nlohmann::json& doc,
                                         const std::string& folder, std::string* problem) {
    try {
        std::shared_ptr<NLEFilterInfo> info = interpretConf(doc, folder);
        registry.storeConfDescription(info);
        return info;
    } catch (const std::exception& error) {
        report(problem, error.what());
    } catch (...) {
        report(problem, "the description could not be read");
    }
    return nullptr;
}

std::shared_ptr<NLEFilterInfo> readConfStream(NLEFilterRegistry& registry, std::istream& in,
                                              const std::string& folder, std::string* problem) {
    nlohmann::json doc;
    try {
        // operator>> reads one value and leaves the rest of the stream unread.
        in >> doc;
    } catch (const std::exception& error) {
        report(problem, error.what());
        return nullptr;
    }
    return parseConf(registry, doc, folder, problem);
}

std::shared_ptr<NLEFilterInfo> readConfFile(NLEFilterRegistry& registry, const std::string& path,
                                            std::string* problem) {
    try {
        const std::unique_ptr<std::FILE, FileCloser> file(qlx::platform::openForSharedRead(path));
        if (!file) {
            report(problem, "the file cannot be opened");
            return nullptr;
        }
        FileReadBuffer buffer(file.get());
        std::istream in(&buffer);
        return readConfStream(registry, in, descriptionFolder(path), problem);
    } catch (...) {
        report(problem, "the file could not be read");
        return nullptr;
    }
}
