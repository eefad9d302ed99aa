// Where the bytes of a LUT file come from: an open file or a block of memory.
#pragma once

#include <cstddef>
#include <cstdio>

namespace qlx {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Copies up to `capacity` bytes; 0 means the end has been reached.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
    // Back to the first byte, with any end-of-data state cleared.
    virtual void rewind() = 0;
};

// Reads a file opened in binary mode; the caller keeps ownership.
class FileByteSource final : public ByteSource {
  public:
    explicit FileByteSource(std::FILE* file) : file_(file) {}
    std::size_t read(char* buffer, std::size_t capacity) override;
    void rewind() override;

  private:
    std::FILE* file_;
};

// Reads bytes the caller keeps alive for the source's lifetime.
class MemoryByteSource final : public ByteSource {
  public:
    MemoryByteSource(const void* data, std::size_t size)
        : data_(static_cast<const char*>(data)), size_(size) {}
    std::size_t read(char* buffer, std::size_t capacity) override;
    void rewind() override { position_ = 0; }

  private:
    const char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace qlx
