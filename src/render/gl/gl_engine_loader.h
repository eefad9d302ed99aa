// Finds, loads and keeps the OpenGL effect engine library for the whole process.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "gl_engine_api.h"

namespace qlx {

// The engine libraries, in the order they are tried: hardware OpenGL first,
// then the two software engines. Bare file names with the platform suffix.
std::vector<std::string> glEngineCandidates();

// How a candidate library is loaded; the platform layer in production, a
// stand-in in tests.
struct GLEngineLibraryCalls {
    void* (*load)(const std::string& utf8Name);
    void* (*find)(void* library, const char* symbol);
    void (*unload)(void* library);
};
const GLEngineLibraryCalls& platformLibraryCalls();

// Tries the candidates that `softwareOpenGL` selects (the first only when false,
// the second then the third when true), logging "load %s failed !" at level 4
// for each one that fails. 0 with the engine in `*engine`, else 1. Keeps no
// state: the successful library simply stays loaded.
int loadGLEffectEngine(const GLEngineLibraryCalls& calls, bool softwareOpenGL,
                       GLEffectEngine** engine, GLEngineLogCallback log);

// The process-wide engine: loaded on the first successful call and kept for
// good; failed calls leave nothing behind so later calls try again. Engine kind
// 0 is OpenGL, the only kind there is. 0 with the engine stored, else 1.
int getGLEffectEngine(GLEffectEngine** engine, GLEngineLogCallback log, int engineKind);

// The log callback handed to engines: printf-style into a buffer of 8,192
// bytes of this call's own (longer texts are cut), then the host's log.
void engineLogCallback(int level, const char* format, va_list args);

}  // namespace qlx
