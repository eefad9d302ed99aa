// FROZEN binary contract: released hosts and engines depend on this layout; never change it.
// The effect interface the host drives. The order of the virtual operations
// is part of the binary contract with the host: the unused entries keep their
// places so the host's calls land on the right operations.
#pragma once

#include "qlx/qlx_host.h"

class QLXEffect {
  public:
    virtual ~QLXEffect() = default;
    virtual int PrepareResource(QLXEffectContext* context) = 0;
    virtual int Reserved2() { return 0; }
    virtual int UpdateParameters(QLXEffectContext* context) = 0;
    virtual int Render(QLXRenderContext* context) = 0;
    virtual int Reserved5() { return 0; }
    virtual int Reserved6() { return 0; }
    virtual void ReleaseResource() = 0;
    virtual int Reserved8() { return 0; }
    virtual int UpdateResourceHint(QLXEffectContext* context) = 0;
};
