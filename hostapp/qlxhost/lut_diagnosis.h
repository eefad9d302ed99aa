// What the plugin's LUT loader makes of a .cube or .3dl file, in words: every
// problem its reader meets (the first is the one the loader stops at), and
// warnings about what it will read differently from what the file's author
// meant.
#pragma once

#include <string>

#include "finding.h"
#include "lut/lut_file.h"

namespace qlxhost::cli {

struct LutDiagnosis {
    int status = 0;  // the loader's status code
    int size = 0;    // points per axis, once known
    Findings findings;
};

LutDiagnosis diagnoseLut(const std::string& bytes, qlx::LutFileFormat format);

}  // namespace qlxhost::cli
