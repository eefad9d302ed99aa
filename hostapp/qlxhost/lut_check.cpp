#include "lut_check.h"

#include <fmt/core.h>

#include <optional>

#include "common/platform.h"
#include "input_file.h"
#include "lut/lut_file.h"
#include "lut_diagnosis.h"

namespace qlxhost::cli {

FileReport checkLutFile(const std::string& path) {
    FileReport report{path, {}, {}};
    const std::optional<qlx::LutFileFormat> format = qlx::lutFormatOf(path);
    if (!format) {
        addError(report.findings, 0, "not a LUT file: the plugin reads .cube and .3dl files");
        return report;
    }
    // Through the plugin's own opening: a FIFO, a device or a huge file is
    // refused at once, as the loader refuses it.
    std::string bytes;
    qlx::platform::FileRefusal why{};
    if (!qlx::platform::readWholeFile(path, &bytes, qlx::platform::kMaxReadableFileBytes, &why)) {
        addError(report.findings, 0,
                 refusalReason(why, qlx::platform::kMaxReadableFileBytes, "LUT file"));
        return report;
    }
    LutDiagnosis diagnosis = diagnoseLut(bytes, *format);
    // The first error is the one the loader stops at; the verdict closes the list.
    report.findings = std::move(diagnosis.findings);
    if (diagnosis.status != qlx::kLutLoaded) {
        addError(report.findings, 0,
                 fmt::format("the plugin does not load it (status {}: {})", diagnosis.status,
                             qlx::describeLutStatus(diagnosis.status)));
    } else {
        const int n = diagnosis.size;
        report.summary =
            fmt::format("{} LUT, {} x {} x {} points",
                        *format == qlx::LutFileFormat::Cube ? ".cube" : ".3dl", n, n, n);
    }
    return report;
}

}  // namespace qlxhost::cli
