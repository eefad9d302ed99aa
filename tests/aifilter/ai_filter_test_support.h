// Helpers shared by the skin filter's tests, which call the library's entry points directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "qlx_ai_filter.h"

namespace qlxtest {

// A filter instance that is deleted when it goes out of scope.
class FilterHandle {
  public:
    FilterHandle() : handle_(CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, "")) {}
    ~FilterHandle() { DeleteNLEAIEffectFilter(&handle_); }
    FilterHandle(const FilterHandle&) = delete;
    FilterHandle& operator=(const FilterHandle&) = delete;
    void* get() const { return handle_; }

  private:
    void* handle_;
};

struct LogRecord {
    int level;
    std::string text;
};

// Collects, formatted, what a library reports while the capture lives; `set` is that library's
// SetNLEAIEffectFilterLogCallback.
class LogCapture {
  public:
    explicit LogCapture(void (*set)(QLXAiLogCallback) = SetNLEAIEffectFilterLogCallback)
        : set_(set) {
        records().clear();
        set_(collect);
    }
    ~LogCapture() { set_(nullptr); }
    static std::vector<LogRecord>& records() {
        static std::vector<LogRecord> log;
        return log;
    }

  private:
    static void collect(int level, const char* format, va_list args) {
        static std::mutex mutex;
        char text[1024];
        std::vsnprintf(text, sizeof text, format, args);
        std::lock_guard<std::mutex> lock(mutex);
        records().push_back({level, text});
    }
    void (*set_)(QLXAiLogCallback);
};

}  // namespace qlxtest
