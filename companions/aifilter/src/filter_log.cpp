#include "filter_log.h"

#include <atomic>

namespace qlx::aifilter {
namespace {

std::atomic<LogCallback> g_callback{nullptr};

}  // namespace

void setLogCallback(LogCallback callback) {
    g_callback.store(callback);
}

void logMessage(int level, const char* format, ...) {
    const LogCallback callback = g_callback.load();
    if (callback == nullptr) return;
    va_list args;
    va_start(args, format);
    callback(level, format, args);
    va_end(args);
}

}  // namespace qlx::aifilter
