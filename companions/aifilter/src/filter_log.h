// The one log callback of the library, set by the host, used from any thread.
#pragma once

#include <cstdarg>

namespace qlx::aifilter {

using LogCallback = void (*)(int level, const char* format, va_list args);

enum LogLevel { kLogInfo = 2, kLogWarning = 3, kLogError = 4 };

void setLogCallback(LogCallback callback);

// Hands the format and its arguments to the callback unformatted; nothing without a callback.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void logMessage(int level, const char* format, ...);

}  // namespace qlx::aifilter
