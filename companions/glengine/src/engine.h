// The engine object of the library: makes effects, owns the headless context
// and the log callback they share.
#pragma once

#include "context.h"
#include "engine_log.h"
#include "gl_engine_api.h"

namespace krgl {

class Engine final : public GLEffectEngine {
  public:
    // `mayMakeOwnContext`: whether effects made while no context is current get
    // the engine's own headless context (the software library) or fail.
    explicit Engine(bool mayMakeOwnContext) : mayMakeOwnContext_(mayMakeOwnContext) {}

    int createEffect(int width, int height, int rowPitch, bool reserved,
                     const std::string& programPath, std::shared_ptr<GLEffect>& effect,
                     std::int32_t encrypted, const std::string& text, const GLTextLists& listsA,
                     const GLTextLists& listsB) override;

    void setLog(GLEngineLogCallback callback) { log_.setCallback(callback); }
    void setSoftwareOpenGL(bool software) { softwareOpenGL_ = software; }
    const EngineLog& log() const { return log_; }
    OwnContext& ownContext() { return ownContext_; }

  private:
    bool mayMakeOwnContext_;
    bool softwareOpenGL_ = false;  // what the host said; recorded only
    EngineLog log_;
    OwnContext ownContext_;
};

}  // namespace krgl
