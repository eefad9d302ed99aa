// One thing `check` found in a file, in words a colourist understands.
#pragma once

#include <string>
#include <vector>

namespace qlxhost::cli {

struct Finding {
    enum Severity { Error, Warning };
    Severity severity = Error;
    int line = 0;  // 1-based; 0 when no line applies
    std::string text;
};

using Findings = std::vector<Finding>;

inline void addError(Findings& f, int line, std::string text) {
    f.push_back({Finding::Error, line, std::move(text)});
}
inline void addWarning(Findings& f, int line, std::string text) {
    f.push_back({Finding::Warning, line, std::move(text)});
}

}  // namespace qlxhost::cli
