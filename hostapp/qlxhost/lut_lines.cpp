#include "lut_lines.h"

namespace qlxhost::cli {

std::size_t LutLines::findTerminator(const std::string& bytes, char* terminator) {
    const std::size_t span = bytes.size() < 252 ? bytes.size() : 252;
    for (std::size_t i = 0; i < span; ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            *terminator = bytes[i] == '\n' || crlf ? '\n' : '\r';
            return i;
        }
    }
    return std::string::npos;
}

bool LutLines::readRaw() {
    if (atEnd_) {
        end_ = End::PastEnd;
        return false;
    }
    if (position_ >= bytes_.size()) {
        end_ = End::NothingLeft;
        return false;
    }
    const std::size_t stop = bytes_.find(terminator_, position_);
    ++physical_;
    if (stop == std::string::npos) {
        line_ = std::string_view(bytes_).substr(position_);
        position_ = bytes_.size();
        atEnd_ = true;
    } else {
        line_ = std::string_view(bytes_).substr(position_, stop - position_);
        position_ = stop + 1;
    }
    return true;
}

bool LutLines::next() {
    if (repeat_) {
        repeat_ = false;
        return true;
    }
    while (readRaw()) {
        if (line_.empty() || line_.front() == '#' || line_ == "\r") continue;
        number_ = physical_;
        return true;
    }
    return false;
}

std::string_view LutLines::text() const {
    std::string_view text = line_;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

}  // namespace qlxhost::cli
