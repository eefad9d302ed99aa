// Effects created, rendered and released on several threads at once each map
// their frames through their own filter's LUT, byte for byte as one thread does.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include "kit/host_session.h"
#include "support/temp_dir.h"

namespace {

constexpr int kLooks = 8;
constexpr int kThreads = 8;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::string lookGuid(int look) {
    char guid[64];
    std::snprintf(guid, sizeof guid, "C0DEC0DE-0000-4000-8000-0000000000%02d", look);
    return guid;
}

// A size-2 LUT (cheap to load at every creation) that differs for every look.
std::string lookCube(int look) {
    const double s = (look + 1) / 10.0;
    std::ostringstream text;
    text << "LUT_3D_SIZE 2\n";
    for (int b = 0; b < 2; ++b)
        for (int g = 0; g < 2; ++g)
            for (int r = 0; r < 2; ++r)
                text << r * (1 - s) << ' ' << g * (1 - s) + b * s << ' ' << b * 0.5 + s * 0.4
                     << '\n';
    return text.str();
}

// Cycles per thread: QLX_STRESS_CYCLES when set (sanitizer runs use fewer).
int cyclesPerThread() {
    const char* text = std::getenv("QLX_STRESS_CYCLES");
    return text && std::atoi(text) > 0 ? std::atoi(text) : 400;
}

class ConcurrentCreation : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string lut = folder.mkdir("qlx_effect/plugin/LUT");
        folder.write("qlx_effect/plugin/LUT/LUT.conf", R"({"GUID": "ROOT", "NAME": "LUT"})");
        for (int look = 0; look < kLooks; ++look) {
            const std::string dir = "qlx_effect/plugin/LUT/look" + std::to_string(look) + "/";
            folder.write(dir + "look.cube", lookCube(look));
            folder.write(dir + "filter.xml", "<Filter><GUID>" + lookGuid(look) +
                                                 "</GUID><LUT><LutFile>look.cube</LutFile>"
                                                 "</LUT></Filter>");
        }
        qlxhost::SessionConfig config;
        config.lutFolder = lut;
        config.freshCopy = true;
        ASSERT_TRUE(session.start(config)) << session.error();
        std::vector<std::string> failures;
        session.registerAll(&failures);
        ASSERT_TRUE(failures.empty());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth * 4; ++x)
                input.row(y)[x] = static_cast<std::uint8_t>((x * 7 + y * 13 + x * y) % 256);
    }

    // The look's frame through a new CPU effect; empty when a step failed.
    std::vector<std::uint8_t> render(int look) {
        auto effect = session.createEffect(lookGuid(look), 0);
        if (!effect) return {};
        effect->parameters().set("alpha", qlxhost::ParamAnswer::integer(100));
        effect->parameters().set("skinProtect", qlxhost::ParamAnswer::integer(0));
        qlxhost::Frame output(kWidth, kHeight);
        if (effect->prepare() != 0 || effect->updateParameters() != 0 ||
            effect->render(input, output) != 0)
            return {};
        std::vector<std::uint8_t> bytes;
        for (int y = 0; y < kHeight; ++y)
            bytes.insert(bytes.end(), output.row(y), output.row(y) + kWidth * 4);
        return bytes;
    }

    qlxtest::TempDir folder;
    qlxhost::HostSession session;
    qlxhost::Frame input{kWidth, kHeight};
};

TEST_F(ConcurrentCreation, EveryEffectRendersWithItsOwnFiltersLut) {
    std::vector<std::vector<std::uint8_t>> serial;
    for (int look = 0; look < kLooks; ++look) {
        serial.push_back(render(look));
        ASSERT_FALSE(serial.back().empty()) << lookGuid(look);
        for (int other = 0; other < look; ++other)
            ASSERT_NE(serial[other], serial[look]) << "looks " << other << " and " << look;
    }

    const int cycles = cyclesPerThread();
    std::atomic<int> wrong{0}, failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < cycles; ++i) {
                const int look = (t + i * 3) % kLooks;
                const std::vector<std::uint8_t> frame = render(look);
                if (frame.empty())
                    ++failed;
                else if (frame != serial[look])
                    ++wrong;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << "of " << kThreads * cycles << " cycles";
}

}  // namespace
