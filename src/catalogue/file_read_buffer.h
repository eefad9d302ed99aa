// A read-only stream buffer over an open C file, so a parser can read a file
// as a stream and stop wherever it likes without the rest being loaded.
#pragma once

#include <cstdio>
#include <streambuf>

class FileReadBuffer : public std::streambuf {
  public:
    explicit FileReadBuffer(std::FILE* file) : file_(file) {}

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        const std::size_t got = std::fread(chunk_, 1, sizeof chunk_, file_);
        if (got == 0) return traits_type::eof();
        setg(chunk_, chunk_, chunk_ + got);
        return traits_type::to_int_type(*gptr());
    }

  private:
    std::FILE* file_;
    char chunk_[4096];
};
