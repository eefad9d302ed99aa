#include "skin/ai_filter_log.h"

#include <cstdio>

#include "common/log.h"

void aiFilterLogCallback(int level, const char* format, va_list args) {
    if (!format) return;
    constexpr int kFormatCapacity = 8192;
    constexpr int kHostTextLimit = 4095;
    char message[kFormatCapacity];
    if (std::vsnprintf(message, sizeof message, format, args) < 0) message[0] = '\0';
    message[kHostTextLimit] = '\0';
    qlx::hostLogText(level, message);
}
