// The "PARAMS" list of a ".conf" description.
#include <nlohmann/json.hpp>

#include "catalogue/conf_fields.h"
#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"

namespace {

struct ParamCells {
    NLEFilterParamValue min, max, defaultValue;
};

// "float": each limit present is read as a single-precision number.
ParamCells readFloatCells(const nlohmann::json& element) {
    ParamCells cells;
    const auto read = [&](const char* key, NLEFilterParamValue& cell) {
        const auto found = element.find(key);
        if (found != element.end())
            cell = NLEFilterParamValue::ofFloat(conf::numberAsFloat(*found, key));
    };
    read("MIN", cells.min);
    read("MAX", cells.max);
    read("DEFAULT", cells.defaultValue);
    return cells;
}

// "int" and "point": each limit present is read as a 32-bit integer.
ParamCells readIntCells(const nlohmann::json& element) {
    ParamCells cells;
    const auto read = [&](const char* key, NLEFilterParamValue& cell) {
        const auto found = element.find(key);
        if (found != element.end())
            cell = NLEFilterParamValue::ofInt(conf::numberAsInt32(*found, key));
    };
    read("MIN", cells.min);
    read("MAX", cells.max);
    read("DEFAULT", cells.defaultValue);
    return cells;
}

// The parameter an element describes, or null when its "TYPE" is absent or
// not one of the four known words (such an element takes no index).
std::shared_ptr<NLEFilterParams> readParam(const nlohmann::json& element) {
    const std::string name = conf::optionalText(element, "NAME").value_or(std::string());
    const std::string alias = conf::optionalText(element, "ALIAS").value_or(name);
    const std::string typeText = conf::optionalText(element, "TYPE").value_or(std::string());

    std::uint32_t type;
    ParamCells cells;  // a "string" parameter keeps three empty texts
    if (typeText == "float") {
        type = kNLEParamFloat;
        cells = readFloatCells(element);
    } else if (typeText == "int" || typeText == "point") {
        type = kNLEParamInt;
        cells = readIntCells(element);
    } else if (typeText == "string") {
        type = kNLEParamText;
    } else {
        return nullptr;
    }

    auto param = std::make_shared<NLEFilterParams>();
    param->setAlias(alias);
    param->setName(name);
    param->setType(type);
    param->setRange(cells.min, cells.max);
    param->setDefaultValue(cells.defaultValue);
    param->setValue(cells.defaultValue);
    return param;
}

}  // namespace

void parseParams(const nlohmann::json& params, NLEFilterInfo& info) {
    // Arrays in order; objects by their values in ascending byte order of the
    // keys (the order the JSON library keeps them in); null has no elements and
    // any other single value is one element.
    std::int32_t accepted = 0;
    for (const nlohmann::json& element : params) {
        std::shared_ptr<NLEFilterParams> param = readParam(element);
        if (!param) continue;
        info.addParam(accepted, std::move(param));
        ++accepted;
        info.setParamCount(static_cast<std::uint32_t>(accepted));
    }
}
