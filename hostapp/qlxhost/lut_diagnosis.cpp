#include "lut_diagnosis.h"

#include <fmt/core.h>

#include <memory>

#include "lut/byte_source.h"
#include "lut/lut_text_reader.h"
#include "lut/lut_words.h"

namespace qlxhost::cli {
namespace {

constexpr std::size_t kMaxEntryWarnings = 3;

void warnAboutShortEntries(const qlx::LutFile& lut, Findings& findings) {
    const std::vector<int>& lines = lut.shortEntryLines;
    for (std::size_t i = 0; i < lines.size() && i < kMaxEntryWarnings; ++i) {
        addWarning(findings, lines[i],
                   "this entry has fewer than three numbers; the plugin repeats the previous "
                   "entry's value for each missing one");
    }
    if (lines.size() > kMaxEntryWarnings) {
        addWarning(findings, 0,
                   fmt::format("{} more entries have fewer than three numbers",
                               lines.size() - kMaxEntryWarnings));
    }
}

void warnAboutCubeMeaning(const qlx::LutFile& lut, Findings& findings) {
    if (lut.oneDSizeLine != 0) {
        addWarning(findings, lut.oneDSizeLine,
                   "the file holds a 1D table as well; the plugin applies no 1D table and reads "
                   "the first data lines, the 1D table's included, as the 3D table: colours will "
                   "be wrong");
    }
    bool defaultDomain = true;
    for (int c = 0; c < 3; ++c) {
        defaultDomain &= lut.domainMin[c] == 0.0f && lut.domainMax[c] == 1.0f;
    }
    if (!defaultDomain) {
        addWarning(findings, lut.domainMinLine != 0 ? lut.domainMinLine : lut.domainMaxLine,
                   "DOMAIN_MIN/DOMAIN_MAX are not 0 and 1: the plugin takes the input as 0 to 1 "
                   "and multiplies the output by DOMAIN_MAX - DOMAIN_MIN, so this LUT will not "
                   "look as its author meant");
    }
    if (lut.inputRangeLine != 0) {
        addWarning(
            findings, lut.inputRangeLine,
            lut.inputRangeKeyword + " is ignored: the plugin takes the input range as 0 to 1");
    }
}

void warnAboutThreeDlMeaning(const qlx::LutFile& lut, Findings& findings) {
    if (lut.largestValue > lut.outputMax) {
        addWarning(findings, 0,
                   fmt::format("output values reach {:g}, above 4095: the plugin reads .3dl "
                               "output as 12-bit (0 to 4095), so this LUT (16-bit output?) will "
                               "clip",
                               lut.largestValue));
    } else if (lut.largestValue > 0 && lut.largestValue <= 1023) {
        addWarning(findings, 0,
                   fmt::format("output values stay at or below {:g}: this looks like 10-bit "
                               "output, but the plugin reads .3dl output as 12-bit (0 to 4095), "
                               "so the result will be about four times too dark",
                               lut.largestValue));
    }
    if (lut.shaperValues != lut.size) {
        addWarning(findings, lut.sizeLine,
                   fmt::format("the plugin takes this line as the shaper line and counts {} "
                               "fields in it (doubled, leading or trailing spaces add fields), "
                               "though it holds {} values{}",
                               lut.size, lut.shaperValues,
                               lut.shaperValues == 3 ? "; if it is the first entry, the file "
                                                       "lacks its shaper line and the plugin "
                                                       "misreads it"
                                                     : ""));
    }
}

// Data lines after the last entry, which the loader never reads.
void warnAboutTrailingLines(qlx::LutTextReader& text, Findings& findings) {
    int extra = 0, first = 0;
    while (text.nextSignificantLine() == qlx::LutTextReader::Result::Line) {
        if (!qlx::isNumericWord(qlx::firstWord(text.line()))) continue;  // trailers such as "LUT8"
        if (extra++ == 0) first = text.lineNumber();
    }
    if (extra > 0) {
        addWarning(findings, first,
                   fmt::format("{} data line(s) after the last entry are ignored", extra));
    }
}

}  // namespace

LutDiagnosis diagnoseLut(const std::string& bytes, qlx::LutFileFormat format) {
    qlx::MemoryByteSource source(bytes.data(), bytes.size());
    auto text = std::make_unique<qlx::LutTextReader>(source);
    const qlx::LutReading reading = qlx::readLut(*text, format);
    LutDiagnosis diagnosis{reading.status(), reading.lut.size, {}};
    for (const qlx::LutLoadError& error : reading.errors) {
        addError(diagnosis.findings, error.line, error.sentence);
    }
    warnAboutShortEntries(reading.lut, diagnosis.findings);
    if (reading.loaded()) {
        if (format == qlx::LutFileFormat::Cube) {
            warnAboutCubeMeaning(reading.lut, diagnosis.findings);
        } else {
            warnAboutThreeDlMeaning(reading.lut, diagnosis.findings);
        }
        warnAboutTrailingLines(*text, diagnosis.findings);
    }
    return diagnosis;
}

}  // namespace qlxhost::cli
