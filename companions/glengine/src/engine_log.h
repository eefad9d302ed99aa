// The engine's side of the log callback its user handed over.
#pragma once

#include "gl_engine_api.h"

#if defined(__GNUC__)
#define KRGL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define KRGL_PRINTF_FORMAT(f, a)
#endif

namespace krgl {

enum LogLevel : int { kLogInfo = 2, kLogWarning = 3, kLogError = 4 };

class EngineLog {
  public:
    explicit EngineLog(GLEngineLogCallback callback = nullptr) : callback_(callback) {}
    void setCallback(GLEngineLogCallback callback) { callback_ = callback; }
    // Does nothing without a callback.
    void operator()(int level, const char* format, ...) const KRGL_PRINTF_FORMAT(3, 4);

  private:
    GLEngineLogCallback callback_;
};

}  // namespace krgl
