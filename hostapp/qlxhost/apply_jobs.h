// Which file `apply` writes for which input: one input and one output, or
// several inputs into an output folder under their own names, with "-" for a
// picture on standard input or output. Every pair is checked before any work
// starts, so a wrong command line writes nothing.
#pragma once

#include <string>
#include <vector>

#include "compare_view.h"
#include "media_kind.h"

namespace qlxhost::cli {

struct ApplyJob {
    std::string input;
    std::string output;
    MediaKind kind = MediaKind::Image;
};

struct JobRequest {
    std::vector<std::string> paths;  // the inputs, then OUT unless `output` is given
    std::string output;              // -o: a file, a folder or "-"
    bool overwrite = false;          // -y: replace existing outputs
    CompareMode compare = CompareMode::None;
};

// CliError (exit 2 for a wrong command line, 1 for files in the way) when
// an input is missing or unsupported, an output is of another kind, exists
// without `overwrite`, or is the input.
std::vector<ApplyJob> planJobs(const JobRequest& request);

}  // namespace qlxhost::cli
