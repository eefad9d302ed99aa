// A Host Util Suite for unit tests: answers GetPath from a table, records every
// Log call. Lent to the plugin code through the suite table for its lifetime.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "plugin/process_state.h"

class HostUtilDouble {
  public:
    struct LogCall {
        int level;
        std::string format;  // the format the plugin passed
        std::string text;    // what it formats to
    };
    struct PathCall {
        int kind;
        std::string bufferBefore;  // the buffer's text when GetPath was called
        int size;
    };

    HostUtilDouble() : face_{{&kVtbl}, this} {
        previous_ = qlx::suiteTable().hostUtil;
        qlx::suiteTable().hostUtil = &face_;
    }
    ~HostUtilDouble() { qlx::suiteTable().hostUtil = previous_; }
    HostUtilDouble(const HostUtilDouble&) = delete;
    HostUtilDouble& operator=(const HostUtilDouble&) = delete;

    // Kinds without an entry answer failure and leave the buffer alone.
    std::map<int, std::string> paths;

    std::vector<LogCall> logCalls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return logCalls_;
    }
    std::vector<PathCall> pathCalls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return pathCalls_;
    }

  private:
    struct Face : QLXHostUtilSuite {
        HostUtilDouble* owner;
    };
    static HostUtilDouble& owner(QLXHostUtilSuite* self) {
        return *static_cast<Face*>(self)->owner;
    }

    static int getPath(QLXHostUtilSuite* self, int kind, char* buffer, int size) {
        HostUtilDouble& host = owner(self);
        std::lock_guard<std::mutex> lock(host.mutex_);
        host.pathCalls_.push_back({kind, std::string(buffer), size});
        const auto found = host.paths.find(kind);
        if (found == host.paths.end() || size <= 0) return 1;
        const std::string& path = found->second;
        const std::size_t length = std::min(path.size(), static_cast<std::size_t>(size - 1));
        path.copy(buffer, length);
        buffer[length] = '\0';
        return 0;
    }

    static void log(QLXHostUtilSuite* self, int level, const char* format, ...) {
        va_list args;
        va_start(args, format);
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
        std::vsnprintf(text.data(), text.size() + 1, format, args);
        va_end(args);
        HostUtilDouble& host = owner(self);
        std::lock_guard<std::mutex> lock(host.mutex_);
        host.logCalls_.push_back({level, format, text});
    }

    static constexpr QLXHostUtilSuiteVtbl kVtbl{&getPath, &log};

    Face face_;
    QLXHostUtilSuite* previous_;
    mutable std::mutex mutex_;
    std::vector<LogCall> logCalls_;
    std::vector<PathCall> pathCalls_;
};
