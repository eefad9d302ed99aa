// libFuzzer target: any bytes as a ".3DL" file.
#include "lut_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qlx::fuzz::loadEveryWay(data, size, qlx::LutFileFormat::ThreeDl);
    return 0;
}
