#include "engine_log.h"

namespace krgl {

void EngineLog::operator()(int level, const char* format, ...) const {
    if (!callback_) return;
    va_list args;
    va_start(args, format);
    callback_(level, format, args);
    va_end(args);
}

}  // namespace krgl
