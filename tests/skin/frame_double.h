// A host frame for unit tests: answers what its fields hold.
#pragma once

#include <cstdint>

#include "host/qlx_host.h"

struct FrameDouble : QLXFrame {
    std::int32_t width = 0, height = 0, pixelFormat = kQLXPixelFormat8, stride = 0;
    void* data = nullptr;

    FrameDouble() : QLXFrame{&kVtbl} {}

  private:
    static FrameDouble& self(QLXFrame* frame) { return *static_cast<FrameDouble*>(frame); }
    static constexpr QLXFrameVtbl kVtbl{
        [](QLXFrame* f) { return self(f).width; },       [](QLXFrame* f) { return self(f).height; },
        [](QLXFrame* f) { return self(f).pixelFormat; }, [](QLXFrame* f) { return self(f).stride; },
        [](QLXFrame* f) { return self(f).data; },        [](QLXFrame*) -> void* { return nullptr; },
    };
};
