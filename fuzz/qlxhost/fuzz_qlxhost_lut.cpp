// Feeds arbitrary bytes to qlxhost's LUT diagnosis, as a .cube and as a .3dl.
// Beyond the sanitizers: the status it predicts is the one the plugin's loader
// ends with on the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lut/byte_source.h"
#include "lut/cube_lut.h"
#include "lut_diagnosis.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void check(const std::string& bytes, qlx::LutFileFormat format) {
    const qlxhost::cli::LutDiagnosis diagnosis = qlxhost::cli::diagnoseLut(bytes, format);
    qlx::CubeLut lut;
    qlx::MemoryByteSource source(bytes.data(), bytes.size());
    lut.loadFromSource(source, format, false);
    require(diagnosis.status == lut.status);
    require(diagnosis.status != 0 || !diagnosis.findings.empty() || diagnosis.size >= 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    check(bytes, qlx::LutFileFormat::Cube);
    check(bytes, qlx::LutFileFormat::ThreeDl);
    return 0;
}
