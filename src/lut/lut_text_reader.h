// Line-by-line reading of a LUT text file: the line terminator is found once
// from the file's first bytes, then comment and empty lines are skipped.
#pragma once

#include <cstddef>
#include <string>

#include "lut/byte_source.h"

namespace qlx {

class LutTextReader {
  public:
    enum class Result {
        Line,         // `line()` holds the next significant line
        NothingLeft,  // the file ended just after a terminator
        PastEnd,      // the previous line already ended at the end of the file
    };

    explicit LutTextReader(ByteSource& source) : source_(source) {}

    // Looks for a line feed or carriage return among the first 252 bytes and
    // rewinds. False when there is none.
    bool detectTerminator();
    // Bytes the detection saw (at most 253): 0 for an empty file.
    std::size_t detectedSpan() const { return detectedSpan_; }

    // Reads lines until one is neither empty, nor starts with '#', nor is a
    // lone carriage return.
    Result nextSignificantLine();
    const std::string& line() const { return line_; }
    // 1-based number of the current line in the file.
    int lineNumber() const { return lineNumber_; }
    // Number of the last line read, significant or not (where the file ended).
    int lastLineNumber() const { return physicalLine_; }

    // The next call of nextSignificantLine() returns the current line again.
    void repeatLine() { repeat_ = true; }

  private:
    static constexpr std::size_t kDetectionSpan = 252;
    static constexpr std::size_t kBufferSize = 64 * 1024;

    Result readRawLine();
    bool refill();

    ByteSource& source_;
    char terminator_ = '\n';
    std::string line_;
    bool atEnd_ = false;
    bool repeat_ = false;
    int lineNumber_ = 0;
    int physicalLine_ = 0;
    std::size_t detectedSpan_ = 0;
    char buffer_[kBufferSize];
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace qlx
