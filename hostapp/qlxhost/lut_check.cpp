#include "lut_check.h"

#include <fmt/core.h>

#include <iterator>
#include <memory>

#include "common/platform.h"
#include "lut/cube_lut.h"
#include "lut_diagnosis.h"
#include "media_kind.h"

namespace qlxhost::cli {
namespace {

std::string describeStatus(int status) {
    switch (status) {
        case 10:
            return "the file ends too early, or a header line holds no usable numbers";
        case 12:
            return "the file ends in the middle of what the plugin still needs";
        case 13:
            return "no line break in the first 252 bytes";
        case 22:
            return "DOMAIN_MIN not below DOMAIN_MAX";
        case 23:
            return "the LUT size is missing or not supported";
        case 24:
            return "the shaper line has fewer than 3 fields";
        default:
            return fmt::format("the loader failed with status {}", status);
    }
}

}  // namespace

FileReport checkLutFile(const std::string& path) {
    FileReport report{path, {}, {}};
    const std::string ext = extensionOf(path);
    if (ext != ".cube" && ext != ".3dl") {
        addError(report.findings, 0, "not a LUT file: the plugin reads .cube and .3dl files");
        return report;
    }
    // Through the plugin's own opening: a FIFO, a device or a huge file is
    // refused at once, as the loader refuses it.
    std::string bytes;
    if (!qlx::platform::readWholeFile(path, &bytes)) {
        addError(report.findings, 0, "the file cannot be opened");
        return report;
    }

    auto lut = std::make_unique<qlx::CubeLut>();
    const bool loaded = lut->loadCubeFile(path);
    const int status = loaded ? 0 : lut->status;
    LutDiagnosis diagnosis =
        diagnoseLut(bytes, ext == ".cube" ? LutFormat::Cube : LutFormat::ThreeDl);

    if (diagnosis.status == status) {
        report.findings = std::move(diagnosis.findings);
    } else {
        // The loader's word is final: a failure this reading did not foresee is
        // reported in general terms, and only the reading's warnings are kept.
        if (!loaded) {
            addError(report.findings, 0,
                     fmt::format("the plugin does not load it (status {}: {})", status,
                                 describeStatus(status)));
        }
        for (Finding& f : diagnosis.findings) {
            if (f.severity == Finding::Warning) report.findings.push_back(std::move(f));
        }
    }
    if (loaded) {
        const int n = lut->size();
        report.summary =
            fmt::format("{} LUT, {} x {} x {} points", ext == ".cube" ? ".cube" : ".3dl", n, n, n);
    }
    return report;
}

}  // namespace qlxhost::cli
