// One parameter of a filter description, always held by shared ownership.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/filter_param_value.h"

class NLEFilterParams {
  public:
    const std::string& alias() const { return alias_; }
    void setAlias(std::string alias) { alias_ = std::move(alias); }

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // 3 float, 5 integer (also for "point"), 6 text.
    std::uint32_t type() const { return type_; }
    void setType(std::uint32_t type) { type_ = type; }

    const NLEFilterParamValue& minValue() const { return minValue_; }
    const NLEFilterParamValue& maxValue() const { return maxValue_; }
    void setRange(const NLEFilterParamValue& minValue, const NLEFilterParamValue& maxValue);

    const NLEFilterParamValue& defaultValue() const { return defaultValue_; }
    void setDefaultValue(const NLEFilterParamValue& value) { defaultValue_ = value; }

    // Copies the cell into the current value. A text parameter loses the first
    // "file:/" found anywhere in its text, so a URL-style path chosen in the
    // host's file dialog becomes a plain path.
    void setValue(const NLEFilterParamValue& value);
    // Copies the current value into `out` and stamps it with this parameter's type.
    void getValue(NLEFilterParamValue& out) const;

  private:
    std::string alias_;
    std::string name_;
    std::uint32_t type_ = 0;
    NLEFilterParamValue minValue_;
    NLEFilterParamValue maxValue_;
    NLEFilterParamValue defaultValue_;
    NLEFilterParamValue value_;
};
