// The .CUBE grammar: keyword lines (LUT_3D_SIZE, DOMAIN_MIN, DOMAIN_MAX, any
// other word ignored) up to the first line that opens with a number, then
// size³ entry lines with red varying fastest. The loader stops at the first
// problem; the reading goes on to find the others.
#include <locale>
#include <sstream>
#include <string>

#include "lut/lut_format_readers.h"
#include "lut/lut_words.h"

namespace qlx {

namespace {

constexpr int kLargestHeaderSize = 256;
const char* const kChannels[3] = {"red", "green", "blue"};

// Keyword arguments are read with stream extraction in the classic locale;
// false when an extraction failed.
template <typename T, int Count>
bool extractNumbers(std::string_view text, T (&values)[Count]) {
    std::istringstream stream{std::string(text)};
    stream.imbue(std::locale::classic());
    for (T& value : values) stream >> value;
    return !stream.fail();
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text.substr(0, 40)) + (text.size() > 40 ? "..." : "") + "\"";
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string channelList(const bool (&which)[3]) {
    int count = 0, seen = 0;
    for (bool w : which) count += w;
    std::string out;
    for (int c = 0; c < 3; ++c) {
        if (!which[c]) continue;
        ++seen;
        out += (seen == 1 ? "" : seen == count ? " and " : ", ") + std::string(kChannels[c]);
    }
    return out;
}

class CubeReader {
  public:
    CubeReader(LutTextReader& text, LutReading& reading)
        : text_(text), reading_(reading), lut_(reading.lut) {}

    void read() {
        lut_.order = LutAxisOrder::RedFastest;
        lut_.outputMax = 1.0f;
        const bool atEntries = readHeader();
        if (atEntries) {
            if (lut_.sizeLine == 0) explainMissingSize();
            if (domainRead_) checkDomain();
        }
        if (declaredSize_ > kLutLargestSize) {
            refuseLargeSize();
            return;
        }
        if (!atEntries || declaredSize_ == 0) return;
        readLutEntries(text_, declaredSize_, "LUT_3D_SIZE on line " + std::to_string(lut_.sizeLine),
                       reading_);
    }

  private:
    // False when the file ends before its first entry.
    bool readHeader() {
        for (;;) {
            const LutTextReader::Result result = text_.nextSignificantLine();
            if (result != LutTextReader::Result::Line) {
                addLutError(reading_, lutEndStatus(result), text_.lastLineNumber(),
                            "the file ends before its first LUT entry");
                return false;
            }
            const std::string_view line = text_.line();
            const std::string_view word = firstWord(line);
            if (text_.lineNumber() == 1) startsWithBom_ = line.rfind("\xEF\xBB\xBF", 0) == 0;
            if (isNumericWord(word)) {
                text_.repeatLine();  // the entries begin here
                return true;
            }
            if (word.empty()) {
                addLutError(reading_, kLutNothingLeft, text_.lineNumber(),
                            "this header line holds only spaces or tabs; the plugin reads it as a "
                            "keyword line without a keyword");
                continue;
            }
            readKeyword(word, afterFirstWord(line), text_.lineNumber());
        }
    }

    // Only the first DOMAIN_MIN, DOMAIN_MAX and LUT_3D_SIZE line counts.
    void readKeyword(std::string_view word, std::string_view arguments, int line) {
        if (word == "DOMAIN_MIN" || word == "DOMAIN_MAX") {
            const bool isMin = word == "DOMAIN_MIN";
            int& seen = isMin ? lut_.domainMinLine : lut_.domainMaxLine;
            if (seen != 0) return;
            seen = line;
            if (!extractNumbers(arguments, isMin ? lut_.domainMin : lut_.domainMax)) {
                domainRead_ = false;
                const std::size_t start = arguments.find_first_not_of(" \t");
                addLutError(reading_, kLutNothingLeft, line,
                            std::string(word) + " needs three numbers (red, green, blue); found " +
                                quoted(arguments.substr(std::min(start, arguments.size()))));
            }
        } else if (word == "LUT_3D_SIZE") {
            if (lut_.sizeLine != 0) return;
            lut_.sizeLine = line;
            readSize(arguments, line);
        } else if (word == "LUT_1D_SIZE") {
            if (lut_.oneDSizeLine == 0) lut_.oneDSizeLine = line;
        } else if (word == "LUT_3D_INPUT_RANGE" || word == "LUT_1D_INPUT_RANGE") {
            if (lut_.inputRangeLine == 0) {
                lut_.inputRangeLine = line;
                lut_.inputRangeKeyword = std::string(word);
            }
        } else if (upperCase(word).find("LUT_3D_SIZE") != std::string::npos) {
            if (misspeltSizeLine_ == 0) misspeltSizeLine_ = line;
        }
    }

    void readSize(std::string_view arguments, int line) {
        int value[1] = {0};
        if (!extractNumbers(arguments, value)) {
            addLutError(reading_, kLutNothingLeft, line,
                        "LUT_3D_SIZE is " + quoted(firstWord(arguments)) + ", not a whole number");
        } else if (value[0] < 2 || value[0] > kLargestHeaderSize) {
            addLutError(reading_, kLutBadSize, line,
                        "LUT_3D_SIZE " + std::to_string(value[0]) +
                            " is outside 2 to 256 (the plugin applies sizes 2 to " +
                            std::to_string(kLutLargestSize) + ")");
        } else {
            declaredSize_ = value[0];
            // The loader reads no header line after its first problem.
            if (reading_.loaded()) lut_.size = value[0];
        }
    }

    void explainMissingSize() {
        std::string why = "LUT_3D_SIZE missing: the plugin cannot tell the size of the LUT";
        if (lut_.oneDSizeLine != 0) {
            why += "; this is a 1D LUT (LUT_1D_SIZE on line " + std::to_string(lut_.oneDSizeLine) +
                   "), and the plugin applies 3D LUTs only";
        } else if (misspeltSizeLine_ != 0) {
            why += "; line " + std::to_string(misspeltSizeLine_) +
                   " spells it differently (keywords are case-sensitive and must stand alone)";
        }
        if (startsWithBom_) {
            why += "; the file starts with a byte-order mark, which hides a keyword on line 1";
        }
        addLutError(reading_, kLutBadSize, 0, why);
    }

    void checkDomain() {
        bool empty[3] = {false, false, false};
        bool any = false;
        for (int c = 0; c < 3; ++c) any |= empty[c] = lut_.domainMin[c] >= lut_.domainMax[c];
        if (!any) return;
        const std::string minLine = std::to_string(lut_.domainMinLine);
        const std::string maxLine = std::to_string(lut_.domainMaxLine);
        std::string where;
        if (lut_.domainMinLine != 0 && lut_.domainMaxLine != 0) {
            where = " (DOMAIN_MIN on line " + minLine + ", DOMAIN_MAX on line " + maxLine + ")";
        } else if (lut_.domainMinLine != 0) {
            where = " (DOMAIN_MIN on line " + minLine + ", DOMAIN_MAX 1 1 1 by default)";
        } else {
            where = " (DOMAIN_MIN 0 0 0 by default, DOMAIN_MAX on line " + maxLine + ")";
        }
        addLutError(reading_, kLutBadDomain,
                    lut_.domainMinLine != 0 ? lut_.domainMinLine : lut_.domainMaxLine,
                    "DOMAIN_MIN not below DOMAIN_MAX in " + channelList(empty) + where);
    }

    // A size the grid cannot hold. When the loader took it, it ends the load
    // with this problem, whatever it met before.
    void refuseLargeSize() {
        LutLoadError error{kLutBadSize, lut_.sizeLine,
                           "LUT_3D_SIZE " + std::to_string(declaredSize_) + " is larger than " +
                               std::to_string(kLutLargestSize) +
                               ", the largest LUT the plugin holds"};
        auto& errors = reading_.errors;
        errors.insert(lut_.size == declaredSize_ ? errors.begin() : errors.end(), std::move(error));
    }

    LutTextReader& text_;
    LutReading& reading_;
    LutFile& lut_;
    int declaredSize_ = 0;  // also when it follows a problem
    int misspeltSizeLine_ = 0;
    bool domainRead_ = true;
    bool startsWithBom_ = false;
};

}  // namespace

void readCubeLut(LutTextReader& text, LutReading& reading) {
    CubeReader(text, reading).read();
}

}  // namespace qlx
