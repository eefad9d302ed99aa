// libFuzzer target: any bytes as a ".CUBE" file.
#include "lut_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qlx::fuzz::loadEveryWay(data, size, qlx::LutFileFormat::Cube);
    return 0;
}
