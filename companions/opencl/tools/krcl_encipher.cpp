// krcl-encipher IN OUT [SEED]: writes IN (an OpenCL program file) to OUT in
// the enciphered form that KRPlatformOpenCL deciphers when it loads it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "KRPlatformOpenCL.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s IN OUT [SEED]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream source;
    source << in.rdbuf();
    if (OPENCL::isEncipheredProgram(source.str())) {
        std::fprintf(stderr, "%s is already enciphered\n", argv[1]);
        return 1;
    }
    const auto seed =
        static_cast<std::uint32_t>(argc == 4 ? std::strtoul(argv[3], nullptr, 0) : 0x51A7u);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << OPENCL::encipherProgramText(source.str(), seed);
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
