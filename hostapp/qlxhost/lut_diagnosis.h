// A line-by-line reading of a .cube or .3dl file that explains what the
// plugin's LUT loader will make of it: which status code it ends with and why,
// at which line, and what it will silently read differently from what the
// file's author meant.
#pragma once

#include <string>

#include "finding.h"

namespace qlxhost::cli {

enum class LutFormat { Cube, ThreeDl };

struct LutDiagnosis {
    int status = 0;  // the loader's status code this reading predicts
    int size = 0;    // points per axis, once known
    Findings findings;
};

LutDiagnosis diagnoseLut(const std::string& bytes, LutFormat format);

}  // namespace qlxhost::cli
