#include "lut/byte_source.h"

#include <algorithm>
#include <cstring>

namespace qlx {

std::size_t FileByteSource::read(char* buffer, std::size_t capacity) {
    return std::fread(buffer, 1, capacity, file_);
}

void FileByteSource::rewind() {
    // std::rewind also clears the end-of-file and error indicators.
    std::rewind(file_);
}

std::size_t MemoryByteSource::read(char* buffer, std::size_t capacity) {
    const std::size_t count = std::min(capacity, size_ - position_);
    if (count != 0) {
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
    }
    return count;
}

}  // namespace qlx
