// The lines of a LUT file as the plugin's readers see them, with their line
// numbers: the line terminator is the first line feed or carriage return among
// the first 252 bytes (a carriage return followed by a line feed counts as a
// line feed), and empty lines, lines starting with '#' and lone carriage
// returns are passed over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qlxhost::cli {

class LutLines {
  public:
    enum class End { None, NothingLeft, PastEnd };

    // Where the first terminator lies; npos when the first 252 bytes hold none.
    static std::size_t findTerminator(const std::string& bytes, char* terminator);

    LutLines(const std::string& bytes, char terminator) : bytes_(bytes), terminator_(terminator) {}

    // Moves to the next significant line; false at the end, with end() saying
    // whether the file ended just after a terminator or inside a line.
    bool next();
    // The next call of next() stays on the current line.
    void repeat() { repeat_ = true; }
    // The current line without a trailing carriage return.
    std::string_view text() const;
    std::string_view rawText() const { return line_; }
    int number() const { return number_; }
    End end() const { return end_; }
    // The number of the last line read, significant or not.
    int lastNumber() const { return physical_; }

  private:
    bool readRaw();

    const std::string& bytes_;
    char terminator_;
    std::size_t position_ = 0;
    bool atEnd_ = false;
    bool repeat_ = false;
    std::string_view line_;
    int number_ = 0;
    int physical_ = 0;
    End end_ = End::None;
};

}  // namespace qlxhost::cli
