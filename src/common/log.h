// Logging goes only through the host's Host Util Suite.
#pragma once

#include <cstdarg>

#include "qlx/qlx_host.h"

#if defined(__GNUC__)
#define QLX_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define QLX_PRINTF_FORMAT(f, a)
#endif

namespace qlx {

// printf-style into one text, then the Host Util Suite's Log at `level`.
// Does nothing when the host lent no Host Util Suite. Safe from any thread.
void hostLog(int level, const char* format, ...) QLX_PRINTF_FORMAT(2, 3);
void hostLogV(int level, const char* format, va_list args);

// Hands an already formatted text to the host as text (never as a format).
void hostLogText(int level, const char* text);

}  // namespace qlx
