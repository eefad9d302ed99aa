// Result codes of a LUT load, as `CubeLut::status` keeps them, and what each
// means in words.
#pragma once

#include <cstdint>

namespace qlx {

enum LutStatus : std::int32_t {
    kLutLoaded = 0,
    kLutNeverLoaded = 1,          // value after construction
    kLutNothingLeft = 10,         // a read found nothing left, or a header line gave no numbers
    kLutPastEnd = 12,             // another line was needed after the end of the file
    kLutNoLineBreak = 13,         // no line break among the first 252 bytes
    kLutBadDomain = 22,           // .CUBE: DOMAIN_MIN not below DOMAIN_MAX
    kLutBadSize = 23,             // size missing or outside what the plugin holds
    kLutTooFewShaperFields = 24,  // .3DL: fewer than 3 fields on the shaper line
};

// The meaning of a status code in one sentence; a general one for a code
// the loader never sets.
const char* describeLutStatus(std::int32_t status);

}  // namespace qlx
