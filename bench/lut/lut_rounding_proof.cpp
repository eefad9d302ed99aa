// One-off proof that the vector kernels' byte conversion equals the scalar
// rule (c + 0.5 in double precision, nearest with ties to even, saturated)
// for every one of the 2^32 float bit patterns, and a list of the LUT sizes
// whose grid coordinates the kernels take from the reciprocal instead of a
// division (the check each LUT load repeats).
//
//   lut_rounding_proof          prints the counts; exit status 1 on a mismatch
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "lut/lut_fast_grid.h"
#include "lut/lut_kernel.h"

namespace {

using RoundFunction = void (*)(const float*, std::uint8_t*, int);

struct Candidate {
    qlx::LutKernelKind kind;
    RoundFunction round;
    std::uint64_t mismatches = 0;
    std::uint32_t firstBits = 0;
};

}  // namespace

int main() {
    std::vector<Candidate> candidates;
    const Candidate all[] = {{qlx::LutKernelKind::Sse41, qlx::lutRoundSse41},
                             {qlx::LutKernelKind::Avx2, qlx::lutRoundAvx2},
                             {qlx::LutKernelKind::Avx512, qlx::lutRoundAvx512}};
    for (const Candidate& c : all) {
        if (qlx::lutKernelSupported(c.kind)) candidates.push_back(c);
    }

    constexpr int kBatch = 1 << 16;
    std::vector<float> values(kBatch);
    std::vector<std::uint8_t> want(kBatch), got(kBatch);
    for (std::uint64_t start = 0; start < (1ull << 32); start += kBatch) {
        for (int i = 0; i < kBatch; ++i) {
            const auto bits = static_cast<std::uint32_t>(start + i);
            std::memcpy(&values[i], &bits, sizeof bits);
            want[i] = qlx::lutRoundScalar(values[i]);
        }
        for (Candidate& c : candidates) {
            c.round(values.data(), got.data(), kBatch);
            for (int i = 0; i < kBatch; ++i) {
                if (got[i] == want[i]) continue;
                if (c.mismatches++ == 0) c.firstBits = static_cast<std::uint32_t>(start + i);
            }
        }
    }
    int status = 0;
    for (const Candidate& c : candidates) {
        std::printf("%s byte conversion: %llu of 4294967296 float bit patterns differ",
                    qlx::lutKernelName(c.kind), static_cast<unsigned long long>(c.mismatches));
        if (c.mismatches != 0) {
            std::printf(" (first 0x%08x)", c.firstBits);
            status = 1;
        }
        std::printf("\n");
    }
    if (candidates.empty()) std::printf("this CPU runs no vector kernel\n");

    std::printf("LUT sizes whose coordinates need the division:");
    int exact = 0;
    for (int n = 2; n <= 65; ++n) {
        const float step = 255.0f / static_cast<float>(n - 1);
        if (qlx::reciprocalMatchesDivision(step, 1.0f / step)) {
            ++exact;
        } else {
            std::printf(" %d", n);
        }
    }
    std::printf("\n%d of 64 sizes (2 to 65) use the reciprocal\n", exact);
    return status;
}
