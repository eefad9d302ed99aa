// The .3DL grammar: an optional header of keyword lines, a shaper line whose
// field count gives the size, then size³ entry lines of 12-bit values with the
// last axis varying fastest.
#include <string>

#include "lut/cube_lut.h"
#include "lut/entry_scanner.h"
#include "lut/lut_text_reader.h"
#include "lut/lut_words.h"

namespace qlx {

namespace {

constexpr float kTwelveBitMax = 4095.0f;

}  // namespace

void CubeLut::readThreeDl(LutTextReader& reader, LoadTarget target) {
    readThreeDlHeader(reader);
    beginEntries(target);
    readThreeDlEntries(reader, target);
}

void CubeLut::readThreeDlHeader(LutTextReader& reader) {
    while (nextLine(reader)) {
        const std::string_view word = firstWord(reader.line());
        if (word == "3DMESH" || word == "Mesh" || !isNumericWord(word)) continue;
        // The shaper values are not used: the input axis is taken as uniform.
        const std::size_t fields = countShaperFields(reader.line());
        if (fields < 3) {
            status = kTooFewShaperFields;
        } else if (fields > static_cast<std::size_t>(kGridDim)) {
            status = kBadSize;
        } else {
            size_ = static_cast<std::int32_t>(fields);
        }
        return;
    }
}

void CubeLut::readThreeDlEntries(LutTextReader& reader, LoadTarget target) {
    const bool toByteScale = target == LoadTarget::Grid || !normalized_;
    float read[3] = {0.0f, 0.0f, 0.0f};  // values persist across entries
    for (int i = 0; i < size_ && status == kLoaded; ++i) {
        for (int j = 0; j < size_ && status == kLoaded; ++j) {
            for (int k = 0; k < size_ && status == kLoaded; ++k) {
                if (!nextLine(reader)) break;
                scanEntry(reader.line().c_str(), read);
                float value[3];
                for (int c = 0; c < 3; ++c) {
                    value[c] = read[c] / kTwelveBitMax;
                    if (toByteScale) value[c] = value[c] * 255.0f;
                }
                storeEntry(target, i, j, k, value);
            }
        }
    }
}

}  // namespace qlx
