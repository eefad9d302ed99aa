// The .3DL grammar: an optional header of keyword lines, a shaper line whose
// field count gives the size, then size³ entry lines of 12-bit values with the
// last axis varying fastest.
#include <string>

#include "lut/lut_format_readers.h"
#include "lut/lut_words.h"

namespace qlx {

namespace {

constexpr float kTwelveBitMax = 4095.0f;

int countValues(std::string_view line) {
    int values = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!isClassicSpace(line[i]) && (i == 0 || isClassicSpace(line[i - 1]))) ++values;
    }
    return values;
}

// Why a shaper line counts other fields than its author meant, if it does.
std::string fieldHint(std::string_view line, std::size_t fields) {
    if (line.find('\t') != std::string_view::npos) {
        return "; values separated by tabs count as one field: separate them with single spaces";
    }
    const int values = countValues(line);
    if (static_cast<std::size_t>(values) == fields) return {};
    return "; it holds " + std::to_string(values) +
           " values, but the plugin counts fields between single spaces, so doubled, leading or "
           "trailing spaces add fields";
}

std::string sizeSource(const LutFile& lut) {
    std::string source = "the shaper line, line " + std::to_string(lut.sizeLine);
    if (lut.shaperValues != lut.size) {
        source += ", which holds " + std::to_string(lut.shaperValues) +
                  " values, but doubled, leading or trailing spaces make the plugin count " +
                  std::to_string(lut.size);
    } else if (lut.shaperValues == 3) {
        source += "; if that line is the first entry, the file lacks its shaper line";
    }
    return source;
}

}  // namespace

void readThreeDlLut(LutTextReader& text, LutReading& reading) {
    LutFile& lut = reading.lut;
    lut.order = LutAxisOrder::BlueFastest;
    lut.outputMax = kTwelveBitMax;
    for (;;) {
        const LutTextReader::Result result = text.nextSignificantLine();
        if (result != LutTextReader::Result::Line) {
            addLutError(reading, lutEndStatus(result), text.lastLineNumber(),
                        "no shaper line: the plugin needs a line of input values (such as 0 64 128 "
                        "... 1023), whose count gives the LUT's size, before the entries");
            return;
        }
        const std::string_view word = firstWord(text.line());
        if (word != "3DMESH" && word != "Mesh" && isNumericWord(word)) break;
    }
    // The shaper values are not used: the input axis is taken as uniform.
    const std::string& shaper = text.line();
    const std::size_t fields = countShaperFields(shaper);
    lut.sizeLine = text.lineNumber();
    lut.shaperValues = countValues(shaper);
    if (fields < 3) {
        addLutError(reading, kLutTooFewShaperFields, lut.sizeLine,
                    "the shaper line has " + std::to_string(fields) +
                        " field(s); at least 3 input values separated by single spaces are "
                        "needed" +
                        fieldHint(shaper, fields));
        return;
    }
    if (fields > static_cast<std::size_t>(kLutLargestSize)) {
        addLutError(reading, kLutBadSize, lut.sizeLine,
                    "the shaper line has " + std::to_string(fields) +
                        " fields; the plugin holds at most " + std::to_string(kLutLargestSize) +
                        " points per axis" + fieldHint(shaper, fields));
        return;
    }
    lut.size = static_cast<int>(fields);
    readLutEntries(text, lut.size, sizeSource(lut), reading);
}

}  // namespace qlx
