// Word-level rules shared by both LUT file grammars.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qlx {

// White space of the classic locale: space, tab, line feed, vertical tab,
// form feed, carriage return.
constexpr bool isClassicSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The first token of `line` delimited by white space; empty for a line of
// white space only.
std::string_view firstWord(std::string_view line);

// What follows the first word (the rest of the line after it).
std::string_view afterFirstWord(std::string_view line);

// A word opens a data line when it sorts after "+" and before ":" byte by
// byte: it starts with one of , - . / 0-9, or is "+" followed by anything.
bool isNumericWord(std::string_view word);

// Fields of a .3DL shaper line split at every single space, empty fields
// included: two adjacent spaces or a trailing space add one.
std::size_t countShaperFields(std::string_view line);

}  // namespace qlx
