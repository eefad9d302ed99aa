#include "lut_diagnosis.h"

#include <fmt/core.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <locale>
#include <sstream>

#include "lut_lines.h"

namespace qlxhost::cli {
namespace {

// The loader's status codes.
enum Status {
    kLoaded = 0,
    kNothingLeft = 10,
    kPastEnd = 12,
    kNoLineBreak = 13,
    kBadDomain = 22,
    kBadSize = 23,
    kTooFewFields = 24
};
constexpr int kLargestGrid = 65;
constexpr std::size_t kMaxEntryWarnings = 3;
const char* const kChannels[3] = {"red", "green", "blue"};

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view firstWord(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && isSpace(line[start])) ++start;
    std::size_t stop = start;
    while (stop < line.size() && !isSpace(line[stop])) ++stop;
    return line.substr(start, stop - start);
}

std::string_view afterWord(std::string_view line, std::string_view word) {
    return line.substr(static_cast<std::size_t>(word.data() - line.data()) + word.size());
}

// A line opens the entries when its first word sorts between "+" and ":".
bool isNumeric(std::string_view word) {
    return word > "+" && word < ":";
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

template <typename T, int N>
bool readNumbers(std::string_view text, T (&values)[N]) {
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    for (T& v : values) in >> v;
    return !in.fail();
}

std::string joinChannels(const bool (&which)[3]) {
    std::string out;
    int count = 0, seen = 0;
    for (bool w : which) count += w;
    for (int c = 0; c < 3; ++c) {
        if (!which[c]) continue;
        ++seen;
        out += (seen == 1 ? "" : seen == count ? " and " : ", ") + std::string(kChannels[c]);
    }
    return out;
}

std::string quoted(std::string_view text) {
    std::string shown(text.substr(0, 40));
    return "\"" + shown + (text.size() > 40 ? "..." : "") + "\"";
}

int endStatus(const LutLines& lines) {
    return lines.end() == LutLines::End::PastEnd ? kPastEnd : kNothingLeft;
}

// What the reading found so far; shared by both grammars.
struct Reading {
    LutDiagnosis result;
    void error(int status, int line, std::string text) {
        result.status = status;
        addError(result.findings, line, std::move(text));
    }
    void warning(int line, std::string text) { addWarning(result.findings, line, std::move(text)); }
};

// The entry lines: size³ of them, each read as up to three numbers.
struct EntryScan {
    long wanted = 0;
    long read = 0;
    int lastLine = 0;
    float largest = 0;
    std::vector<int> shortLines;  // entries with fewer than three numbers
};

void scanEntries(LutLines& lines, Reading& r, EntryScan& scan, const std::string& sizeSource) {
    const long n = r.result.size;
    scan.wanted = n * n * n;
    while (scan.read < scan.wanted && lines.next()) {
        float v[3] = {0, 0, 0};
        const std::string line(lines.rawText());
        const int got = std::sscanf(line.c_str(), "%f %f %f", &v[0], &v[1], &v[2]);
        if (got < 3) scan.shortLines.push_back(lines.number());
        for (int c = 0; c < std::max(got, 0); ++c) scan.largest = std::max(scan.largest, v[c]);
        scan.lastLine = lines.number();
        ++scan.read;
    }
    if (scan.read < scan.wanted) {
        r.error(
            endStatus(lines), lines.lastNumber(),
            fmt::format("the file ends after {} of the {} entries the plugin expects ({} x {} x "
                        "{}, from {})",
                        scan.read, scan.wanted, n, n, n, sizeSource));
    }
    for (std::size_t i = 0; i < scan.shortLines.size() && i < kMaxEntryWarnings; ++i) {
        r.warning(scan.shortLines[i],
                  "this entry has fewer than three numbers; the plugin repeats the previous "
                  "entry's value for each missing one");
    }
    if (scan.shortLines.size() > kMaxEntryWarnings) {
        r.warning(0, fmt::format("{} more entries have fewer than three numbers",
                                 scan.shortLines.size() - kMaxEntryWarnings));
    }
}

void warnAboutTrailingLines(LutLines& lines, Reading& r) {
    int extra = 0, first = 0;
    while (lines.next()) {
        if (firstWord(lines.text()).empty()) continue;
        if (!isNumeric(firstWord(lines.text()))) continue;  // trailers such as "LUT8"
        if (extra++ == 0) first = lines.number();
    }
    if (extra > 0) {
        r.warning(first, fmt::format("{} data line(s) after the last entry are ignored", extra));
    }
}

// ---- .cube ----------------------------------------------------------------------

struct CubeHeader {
    float min[3] = {0, 0, 0}, max[3] = {1, 1, 1};
    int minLine = 0, maxLine = 0, sizeLine = 0;
    int oneDLine = 0, lowerSizeLine = 0, rangeLine = 0;
    std::string rangeKeyword;
};

void readCubeKeyword(std::string_view word, std::string_view args, int line, CubeHeader& h,
                     Reading& r) {
    if (word == "DOMAIN_MIN" || word == "DOMAIN_MAX") {
        const bool isMin = word == "DOMAIN_MIN";
        int& seen = isMin ? h.minLine : h.maxLine;
        if (seen) return;  // only the first one counts
        seen = line;
        if (!readNumbers(args, isMin ? h.min : h.max)) {
            r.error(kNothingLeft, line,
                    std::string(word) + " needs three numbers (red, green, blue); found " +
                        quoted(args.substr(args.find_first_not_of(" \t") == std::string_view::npos
                                               ? args.size()
                                               : args.find_first_not_of(" \t"))));
        }
    } else if (word == "LUT_3D_SIZE") {
        if (h.sizeLine) return;
        h.sizeLine = line;
        int size[1] = {0};
        const bool read = readNumbers(args, size);
        if (!read) {
            r.error(kNothingLeft, line,
                    "LUT_3D_SIZE is " + quoted(firstWord(args)) + ", not a whole number");
        } else if (size[0] < 2 || size[0] > 256) {
            r.error(kBadSize, line,
                    fmt::format("LUT_3D_SIZE {} is outside 2 to 256 (the plugin applies sizes 2 "
                                "to {})",
                                size[0], kLargestGrid));
        } else {
            r.result.size = size[0];
        }
    } else if (word == "LUT_1D_SIZE") {
        if (!h.oneDLine) h.oneDLine = line;
    } else if (word == "LUT_3D_INPUT_RANGE" || word == "LUT_1D_INPUT_RANGE") {
        if (!h.rangeLine) h.rangeLine = line, h.rangeKeyword = std::string(word);
    } else if (upper(word) == "LUT_3D_SIZE" ||
               upper(word).find("LUT_3D_SIZE") != std::string::npos) {
        if (!h.lowerSizeLine) h.lowerSizeLine = line;
    }
}

void explainMissingSize(const CubeHeader& h, bool startsWithBom, Reading& r) {
    std::string why = "LUT_3D_SIZE missing: the plugin cannot tell the size of the LUT";
    if (h.oneDLine) {
        why += fmt::format(
            "; this is a 1D LUT (LUT_1D_SIZE on line {}), and the plugin applies "
            "3D LUTs only",
            h.oneDLine);
    } else if (h.lowerSizeLine) {
        why += fmt::format(
            "; line {} spells it differently (keywords are case-sensitive and "
            "must stand alone)",
            h.lowerSizeLine);
    }
    if (startsWithBom) {
        why += "; the file starts with a byte-order mark, which hides a keyword on line 1";
    }
    r.error(kBadSize, h.sizeLine, why);
}

void checkDomain(const CubeHeader& h, Reading& r) {
    bool empty[3] = {false, false, false};
    bool any = false;
    for (int c = 0; c < 3; ++c) any |= empty[c] = h.min[c] >= h.max[c];
    if (!any) return;
    std::string where;
    if (h.minLine && h.maxLine) {
        where =
            fmt::format(" (DOMAIN_MIN on line {}, DOMAIN_MAX on line {})", h.minLine, h.maxLine);
    } else if (h.minLine) {
        where = fmt::format(" (DOMAIN_MIN on line {}, DOMAIN_MAX 1 1 1 by default)", h.minLine);
    } else {
        where = fmt::format(" (DOMAIN_MIN 0 0 0 by default, DOMAIN_MAX on line {})", h.maxLine);
    }
    r.error(kBadDomain, h.minLine ? h.minLine : h.maxLine,
            "DOMAIN_MIN not below DOMAIN_MAX in " + joinChannels(empty) + where);
}

void warnAboutCubeMeaning(const CubeHeader& h, const EntryScan& scan, Reading& r) {
    if (h.oneDLine) {
        r.warning(h.oneDLine,
                  "the file holds a 1D table as well; the plugin applies no 1D table and reads the "
                  "first data lines, the 1D table's included, as the 3D table: colours will be "
                  "wrong");
    }
    const bool defaultDomain = h.min[0] == 0 && h.min[1] == 0 && h.min[2] == 0 && h.max[0] == 1 &&
                               h.max[1] == 1 && h.max[2] == 1;
    if (!defaultDomain) {
        r.warning(h.minLine ? h.minLine : h.maxLine,
                  "DOMAIN_MIN/DOMAIN_MAX are not 0 and 1: the plugin takes the input as 0 to 1 and "
                  "multiplies the output by DOMAIN_MAX - DOMAIN_MIN, so this LUT will not look as "
                  "its author meant");
    }
    if (h.rangeLine) {
        r.warning(h.rangeLine,
                  h.rangeKeyword + " is ignored: the plugin takes the input range as 0 to 1");
    }
    (void)scan;
}

void diagnoseCube(LutLines& lines, bool startsWithBom, Reading& r) {
    CubeHeader h;
    while (r.result.status == kLoaded) {
        if (!lines.next()) {
            r.error(endStatus(lines), lines.lastNumber(),
                    "the file ends before its first LUT entry");
            return;
        }
        const std::string_view line = lines.rawText();
        const std::string_view word = firstWord(line);
        if (isNumeric(word)) {
            lines.repeat();
            break;
        }
        if (word.empty()) {
            r.error(kNothingLeft, lines.number(),
                    "this header line holds only spaces or tabs; the plugin reads it as a "
                    "keyword line without a keyword");
            break;
        }
        readCubeKeyword(word, afterWord(line, word), lines.number(), h, r);
    }
    if (r.result.status == kLoaded && !h.sizeLine) {
        explainMissingSize(h, startsWithBom, r);
    } else if (r.result.status == kLoaded) {
        checkDomain(h, r);
    }
    if (r.result.size > kLargestGrid) {
        r.error(kBadSize, h.sizeLine,
                fmt::format("LUT_3D_SIZE {} is larger than {}, the largest LUT the plugin holds",
                            r.result.size, kLargestGrid));
        return;
    }
    if (r.result.status != kLoaded) return;
    EntryScan scan;
    scanEntries(lines, r, scan, fmt::format("LUT_3D_SIZE on line {}", h.sizeLine));
    if (r.result.status != kLoaded) return;
    warnAboutCubeMeaning(h, scan, r);
    warnAboutTrailingLines(lines, r);
}

// ---- .3dl -------------------------------------------------------------------------

std::size_t countFields(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
}

std::size_t countValues(std::string_view line) {
    std::size_t values = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!isSpace(line[i]) && (i == 0 || isSpace(line[i - 1]))) ++values;
    }
    return values;
}

std::string fieldHint(std::string_view line, std::size_t fields) {
    if (line.find('\t') != std::string_view::npos) {
        return "; values separated by tabs count as one field: separate them with single spaces";
    }
    const std::size_t values = countValues(line);
    if (values != fields) {
        return fmt::format(
            "; it holds {} values, but the plugin counts fields between single "
            "spaces, so doubled, leading or trailing spaces add fields",
            values);
    }
    return {};
}

void warnAboutThreeDlMeaning(const EntryScan& scan, int shaperLine, std::string_view shaper,
                             Reading& r) {
    if (scan.largest > 4095) {
        r.warning(0, fmt::format("output values reach {:g}, above 4095: the plugin reads .3dl "
                                 "output as 12-bit (0 to 4095), so this LUT (16-bit output?) "
                                 "will clip",
                                 scan.largest));
    } else if (scan.largest > 0 && scan.largest <= 1023) {
        r.warning(0, fmt::format("output values stay at or below {:g}: this looks like 10-bit "
                                 "output, but the plugin reads .3dl output as 12-bit (0 to "
                                 "4095), so the result will be about four times too dark",
                                 scan.largest));
    }
    const std::size_t values = countValues(shaper);
    if (values != static_cast<std::size_t>(r.result.size)) {
        r.warning(shaperLine,
                  fmt::format("the plugin takes this line as the shaper line and counts {} "
                              "fields in it (doubled, leading or trailing spaces add fields), "
                              "though it holds {} values{}",
                              r.result.size, values,
                              values == 3 ? "; if it is the first entry, the file lacks its "
                                            "shaper line and the plugin misreads it"
                                          : ""));
    }
}

void diagnoseThreeDl(LutLines& lines, Reading& r) {
    int shaperLine = 0;
    std::string shaper;
    while (lines.next()) {
        const std::string_view word = firstWord(lines.rawText());
        if (word == "3DMESH" || word == "Mesh" || !isNumeric(word)) continue;
        shaperLine = lines.number();
        shaper = std::string(lines.rawText());
        const std::size_t fields = countFields(shaper);
        if (fields < 3) {
            r.error(kTooFewFields, shaperLine,
                    fmt::format("the shaper line has {} field(s); at least 3 input values "
                                "separated by single spaces are needed{}",
                                fields, fieldHint(shaper, fields)));
        } else if (fields > kLargestGrid) {
            r.error(kBadSize, shaperLine,
                    fmt::format("the shaper line has {} fields; the plugin holds at most {} "
                                "points per axis{}",
                                fields, kLargestGrid, fieldHint(shaper, fields)));
        } else {
            r.result.size = static_cast<int>(fields);
        }
        break;
    }
    if (!shaperLine) {
        r.error(endStatus(lines), lines.lastNumber(),
                "no shaper line: the plugin needs a line of input values (such as 0 64 128 ... "
                "1023), whose count gives the LUT's size, before the entries");
        return;
    }
    if (r.result.status != kLoaded) return;
    EntryScan scan;
    const std::size_t values = countValues(shaper);
    std::string source = fmt::format("the shaper line, line {}", shaperLine);
    if (values != static_cast<std::size_t>(r.result.size)) {
        source += fmt::format(
            ", which holds {} values, but doubled, leading or trailing spaces "
            "make the plugin count {}",
            values, r.result.size);
    } else if (values == 3) {
        source += "; if that line is the first entry, the file lacks its shaper line";
    }
    scanEntries(lines, r, scan, source);
    if (r.result.status != kLoaded) return;
    warnAboutThreeDlMeaning(scan, shaperLine, shaper, r);
    warnAboutTrailingLines(lines, r);
}

}  // namespace

LutDiagnosis diagnoseLut(const std::string& bytes, LutFormat format) {
    Reading r;
    char terminator = '\n';
    if (LutLines::findTerminator(bytes, &terminator) == std::string::npos) {
        if (bytes.empty()) {
            r.error(kNoLineBreak, 0, "the file is empty");
        } else if (bytes.size() < 252) {
            r.error(kNoLineBreak, 1, "the file has no line break: it is one single line");
        } else {
            r.error(kNoLineBreak, 1,
                    "first line longer than 251 bytes: the plugin finds no line break in the "
                    "first 252 bytes");
        }
        return r.result;
    }
    LutLines lines(bytes, terminator);
    if (format == LutFormat::Cube) {
        diagnoseCube(lines, bytes.rfind("\xEF\xBB\xBF", 0) == 0, r);
    } else {
        diagnoseThreeDl(lines, r);
    }
    return r.result;
}

}  // namespace qlxhost::cli
