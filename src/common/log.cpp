#include "common/log.h"

#include <cstdio>

#include "common/process_state.h"

namespace qlx {

void hostLogV(int level, const char* format, va_list args) {
    QLXHostUtilSuite* suite = suiteTable().hostUtil;
    if (!suite || !suite->vtbl || !suite->vtbl->Log) return;
    // One buffer per call, on this thread's stack: callers may log concurrently.
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    suite->vtbl->Log(suite, level, "%s", text);
}

void hostLog(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    hostLogV(level, format, args);
    va_end(args);
}

void hostLogText(int level, const char* text) {
    QLXHostUtilSuite* suite = suiteTable().hostUtil;
    if (!suite || !suite->vtbl || !suite->vtbl->Log) return;
    suite->vtbl->Log(suite, level, "%s", text);
}

}  // namespace qlx
