// Log lines of the library go to the one callback the host installed.
#pragma once

#include "KRPlatformOpenCL.h"

#if defined(__GNUC__)
#define KRCL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define KRCL_PRINTF_FORMAT(f, a)
#endif

namespace krcl {

enum LogLevel : int { kInfo = 2, kWarning = 3, kError = 4 };

void setLogCallback(OpenCLManager::LogCallback callback);

// printf-style into one text of any length, then the callback; nothing when
// no callback is installed. Safe from any thread.
void logf(int level, const char* format, ...) KRCL_PRINTF_FORMAT(2, 3);

// "CL_INVALID_VALUE" and the like; "CL error <n>" for codes it does not know.
const char* clErrorName(int code);

}  // namespace krcl
