#include "lut/lut_text_reader.h"

#include <cstring>

namespace qlx {

bool LutTextReader::detectTerminator() {
    // One byte beyond the span: a carriage return at its last position still
    // needs to know whether a line feed follows.
    char head[kDetectionSpan + 1];
    std::size_t count = 0;
    while (count < sizeof head) {
        const std::size_t got = source_.read(head + count, sizeof head - count);
        if (got == 0) break;
        count += got;
    }
    detectedSpan_ = count;
    bool found = false;
    const std::size_t span = count < kDetectionSpan ? count : kDetectionSpan;
    for (std::size_t i = 0; i < span && !found; ++i) {
        if (head[i] == '\n') {
            terminator_ = '\n';
            found = true;
        } else if (head[i] == '\r') {
            terminator_ = (i + 1 < count && head[i + 1] == '\n') ? '\n' : '\r';
            found = true;
        }
    }
    source_.rewind();
    position_ = filled_ = 0;
    atEnd_ = false;
    return found;
}

bool LutTextReader::refill() {
    filled_ = source_.read(buffer_, kBufferSize);
    position_ = 0;
    return filled_ != 0;
}

LutTextReader::Result LutTextReader::readRawLine() {
    if (atEnd_) return Result::PastEnd;
    line_.clear();
    bool extractedAny = false;
    for (;;) {
        if (position_ == filled_ && !refill()) {
            if (!extractedAny) return Result::NothingLeft;
            atEnd_ = true;
            ++physicalLine_;
            return Result::Line;
        }
        const char* start = buffer_ + position_;
        const std::size_t available = filled_ - position_;
        const void* end = std::memchr(start, terminator_, available);
        if (end != nullptr) {
            const std::size_t length = static_cast<const char*>(end) - start;
            line_.append(start, length);
            position_ += length + 1;
            ++physicalLine_;
            return Result::Line;
        }
        line_.append(start, available);
        position_ = filled_;
        extractedAny = true;
    }
}

LutTextReader::Result LutTextReader::nextSignificantLine() {
    if (repeat_) {
        repeat_ = false;
        return Result::Line;
    }
    for (;;) {
        const Result result = readRawLine();
        if (result != Result::Line) return result;
        const bool skipped = line_.empty() || line_[0] == '#' || line_ == "\r";
        if (!skipped) {
            lineNumber_ = physicalLine_;
            return Result::Line;
        }
    }
}

}  // namespace qlx
