// The registered OpenCL context: context, device, queue and platform, held
// with one reference each for as long as anything made on them lives.
#pragma once

#include <CL/cl.h>

#include <memory>
#include <mutex>

namespace krcl {

struct Session {
    cl_context context = nullptr;
    cl_device_id device = nullptr;
    cl_command_queue queue = nullptr;
    cl_platform_id platform = nullptr;

    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

using SessionPtr = std::shared_ptr<const Session>;

// Where every object of the library finds the context now registered.
class SessionSlot {
  public:
    SessionPtr get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return current_;
    }
    void set(SessionPtr session) {
        std::lock_guard<std::mutex> lock(mutex_);
        current_ = std::move(session);
    }

  private:
    mutable std::mutex mutex_;
    SessionPtr current_;
};

// Waits for one event, releases it, and answers whether the command it
// stands for ran to completion.
bool waitAndRelease(cl_event event);

}  // namespace krcl
