// Host parameter values into the plugin's value cells.
#pragma once

#include <optional>

#include "catalogue/filter_param_value.h"
#include "qlx/qlx_host.h"

namespace tonekit {

// Type codes of a converted cell beyond the three the descriptions use.
enum ConvertedType : std::uint32_t {
    kConvertedBool = 1,
    kConvertedInt64 = 2,
    kConvertedInt64Alt = 7,
};

// The cell for a host value, or nothing for a type the plugin refuses
// (anything but 3, 5, 6, 7, 8 and 9). A text keeps at most 511 bytes in the
// raw storage and travels whole in the cell's text member.
std::optional<NLEFilterParamValue> convertHostValue(const QLXParamValue& value);

}  // namespace tonekit
