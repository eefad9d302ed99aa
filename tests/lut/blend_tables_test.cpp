// The shared multiply and mix tables, checked over every entry.
#include "lut/blend_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace qlx {
namespace {

TEST(BlendTables, MultiplyIsTheRoundedProductOverEveryEntry) {
    const BlendTables& t = BlendTables::instance();
    for (int a = 0; a < 256; ++a) {
        for (int v = 0; v < 256; ++v) {
            const auto ua = static_cast<std::uint8_t>(a), uv = static_cast<std::uint8_t>(v);
            ASSERT_EQ(t.mul(ua, uv), std::lround(a * v / 255.0)) << a << " x " << v;
            ASSERT_EQ(t.mul(ua, uv), t.mul(uv, ua));
            ASSERT_EQ(t.mulRow(ua)[v], t.mul(ua, uv));
        }
        EXPECT_EQ(t.mul(255, static_cast<std::uint8_t>(a)), a);
        EXPECT_EQ(t.mul(0, static_cast<std::uint8_t>(a)), 0);
    }
}

TEST(BlendTables, MixRowsWeighTheTwoBytesOverEveryEntry) {
    const BlendTables& t = BlendTables::instance();
    for (int p = 0; p < 256; ++p) {
        for (int q = 0; q < 256; ++q) {
            const std::uint8_t* row =
                t.mixRow(static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(q));
            ASSERT_EQ(row[255], p);
            ASSERT_EQ(row[0], q);
            for (int k = 0; k < 256; ++k) {
                // Floor of the weighted mean: m·255 ≤ p·k + q·(255 − k) < (m + 1)·255.
                const int weighted = p * k + q * (255 - k);
                ASSERT_LE(row[k] * 255, weighted) << p << "," << q << "," << k;
                ASSERT_GT((row[k] + 1) * 255, weighted) << p << "," << q << "," << k;
            }
            for (std::size_t k = 256; k < BlendTables::kMixRowBytes; ++k) ASSERT_EQ(row[k], 0);
        }
    }
    EXPECT_EQ(t.mix(255, 0, 128), 128);
}

TEST(BlendTables, EveryThreadGetsTheOneInstance) {
    std::vector<const BlendTables*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = &BlendTables::instance(); });
    }
    for (std::thread& thread : threads) thread.join();
    for (const BlendTables* tables : seen) EXPECT_EQ(tables, &BlendTables::instance());
}

}  // namespace
}  // namespace qlx
