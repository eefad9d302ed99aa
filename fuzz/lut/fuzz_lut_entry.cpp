// libFuzzer target: any bytes as one entry line, read by the LUT readers'
// scanner and by sscanf "%f %f %f", which must agree bit for bit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lut/entry_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    float want[3] = {1.5f, 2.5f, 3.5f};
    float got[3] = {1.5f, 2.5f, 3.5f};
    int wantCount = std::sscanf(line.c_str(), "%f %f %f", &want[0], &want[1], &want[2]);
    if (wantCount < 0) wantCount = 0;
    const int gotCount = qlx::scanEntry(line.c_str(), got);
    if (gotCount != wantCount || std::memcmp(want, got, sizeof want) != 0) std::abort();
    return 0;
}
