#include "lut/lut_words.h"

#include <algorithm>

namespace qlx {

namespace {

std::size_t wordStart(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && isClassicSpace(line[i])) ++i;
    return i;
}

std::size_t wordEnd(std::string_view line, std::size_t start) {
    std::size_t i = start;
    while (i < line.size() && !isClassicSpace(line[i])) ++i;
    return i;
}

}  // namespace

std::string_view firstWord(std::string_view line) {
    const std::size_t start = wordStart(line);
    return line.substr(start, wordEnd(line, start) - start);
}

std::string_view afterFirstWord(std::string_view line) {
    return line.substr(wordEnd(line, wordStart(line)));
}

bool isNumericWord(std::string_view word) {
    // std::char_traits<char> compares bytes as unsigned, as the rule needs.
    return word.compare("+") > 0 && word.compare(":") < 0;
}

std::size_t countShaperFields(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
}

}  // namespace qlx
