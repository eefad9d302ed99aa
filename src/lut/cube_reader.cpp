// The .CUBE grammar: keyword lines (LUT_3D_SIZE, DOMAIN_MIN, DOMAIN_MAX, any
// other word ignored) up to the first line that opens with a number, then
// size³ entry lines with red varying fastest.
#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>

#include "lut/cube_lut.h"
#include "lut/entry_scanner.h"
#include "lut/lut_text_reader.h"
#include "lut/lut_words.h"

namespace qlx {

namespace {

constexpr int kLargestHeaderSize = 256;

// Keyword arguments are read with stream extraction in the classic locale;
// false when an extraction failed.
template <typename T, int Count>
bool extractNumbers(std::string_view text, T (&values)[Count]) {
    std::istringstream stream{std::string(text)};
    stream.imbue(std::locale::classic());
    for (T& value : values) stream >> value;
    return !stream.fail();
}

}  // namespace

struct CubeLut::CubeHeader {
    float domainMin[3] = {0.0f, 0.0f, 0.0f};
    float domainMax[3] = {1.0f, 1.0f, 1.0f};
    bool sawMin = false;
    bool sawMax = false;
    bool sawSize = false;

    bool domainIsEmpty() const {
        for (int c = 0; c < 3; ++c) {
            if (domainMin[c] >= domainMax[c]) return true;
        }
        return false;
    }
};

void CubeLut::readCube(LutTextReader& reader, LoadTarget target) {
    CubeHeader header;
    readCubeHeader(reader, header);
    if (status == kLoaded && !header.sawSize) {
        status = kBadSize;
    } else if (status == kLoaded && header.domainIsEmpty()) {
        status = kBadDomain;
    }
    if (size_ > kGridDim) {
        status = kBadSize;
        return;
    }
    beginEntries(target);
    readCubeEntries(reader, target, header);
}

void CubeLut::readCubeHeader(LutTextReader& reader, CubeHeader& header) {
    while (status == kLoaded && nextLine(reader)) {
        const std::string_view line = reader.line();
        const std::string_view word = firstWord(line);
        if (isNumericWord(word)) {
            reader.repeatLine();  // the entries begin here
            return;
        }
        bool extracted = !word.empty();
        const std::string_view arguments = afterFirstWord(line);
        if (word == "DOMAIN_MIN" && !header.sawMin) {
            header.sawMin = true;
            extracted = extractNumbers(arguments, header.domainMin);
        } else if (word == "DOMAIN_MAX" && !header.sawMax) {
            header.sawMax = true;
            extracted = extractNumbers(arguments, header.domainMax);
        } else if (word == "LUT_3D_SIZE" && !header.sawSize) {
            header.sawSize = true;
            int value[1] = {0};
            extracted = extractNumbers(arguments, value);
            if (value[0] < 2 || value[0] > kLargestHeaderSize) {
                status = kBadSize;
            } else {
                size_ = value[0];
            }
        }
        if (!extracted) status = kNothingLeft;
    }
}

void CubeLut::readCubeEntries(LutTextReader& reader, LoadTarget target, const CubeHeader& header) {
    float range[3];
    float scale[3];
    for (int c = 0; c < 3; ++c) {
        range[c] = header.domainMax[c] - header.domainMin[c];
        scale[c] = range[c] * 255.0f;
    }
    float read[3] = {0.0f, 0.0f, 0.0f};  // values persist across entries
    for (int b = 0; b < size_ && status == kLoaded; ++b) {
        for (int g = 0; g < size_ && status == kLoaded; ++g) {
            for (int r = 0; r < size_ && status == kLoaded; ++r) {
                if (!nextLine(reader)) break;
                scanEntry(reader.line().c_str(), read);
                float value[3];
                for (int c = 0; c < 3; ++c) {
                    if (target == LoadTarget::Grid) {
                        value[c] = read[c] * scale[c];
                    } else {
                        // Texture values sit on the unit scale of the domain.
                        float t = (read[c] - header.domainMin[c]) / range[c];
                        t = std::isnan(t) ? 0.0f : std::clamp(t, 0.0f, 1.0f);
                        value[c] = normalized_ ? t : t * 255.0f;
                    }
                }
                storeEntry(target, r, g, b, value);
            }
        }
    }
}

}  // namespace qlx
