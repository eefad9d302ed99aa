#include "lut/lut_status.h"

namespace qlx {

const char* describeLutStatus(std::int32_t status) {
    switch (status) {
        case kLutLoaded:
            return "loaded";
        case kLutNeverLoaded:
            return "never loaded";
        case kLutNothingLeft:
            return "the file ends too early, or a header line holds no usable numbers";
        case kLutPastEnd:
            return "the file ends in the middle of what the plugin still needs";
        case kLutNoLineBreak:
            return "no line break in the first 252 bytes";
        case kLutBadDomain:
            return "DOMAIN_MIN not below DOMAIN_MAX";
        case kLutBadSize:
            return "the LUT size is missing or not supported";
        case kLutTooFewShaperFields:
            return "the shaper line has fewer than 3 fields";
        default:
            return "an unknown status";
    }
}

}  // namespace qlx
