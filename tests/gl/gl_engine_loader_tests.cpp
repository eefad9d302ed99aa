// The engine loader: which libraries are tried in which order, what is logged,
// what stays loaded, and the log callback handed to the engine.
#include <gtest/gtest.h>

#include <cstdarg>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/process_state.h"
#include "gl_test_support.h"
#include "render/gl/gl_engine_loader.h"

namespace qlxgltest {
namespace {

const std::string kHw = "KROpenGLEffectMgr.so", kMesa = "KROpenGLEffectMgr-mesa.so",
                  kDx = "KROpenGLEffectMgr-dx.so";

class NullEngine final : public GLEffectEngine {
  public:
    int createEffect(int, int, int, bool, const std::string&, std::shared_ptr<GLEffect>&,
                     std::int32_t, const std::string&, const GLTextLists&,
                     const GLTextLists&) override {
        return 1;
    }
};

// Engine libraries as the loader sees them, and what it asked of them.
struct FakeLibraries {
    std::set<std::string> present, withoutEntry, refusing;
    std::vector<std::string> tried, names;  // handles point into `names`
    std::vector<std::uint64_t> flagsAndValues;
    int unloads = 0;
    std::string lastFound;
    NullEngine engine;
} * fake;

int fakeCreate(GLEffectEngine** engine, GLEngineLogCallback, std::uint8_t flag,
               std::uint64_t value) {
    fake->flagsAndValues.insert(fake->flagsAndValues.end(), {flag, value});
    if (fake->refusing.count(fake->lastFound)) return 3;
    *engine = &fake->engine;
    return 0;
}
void* fakeLoad(const std::string& name) {
    fake->tried.push_back(name);
    return fake->present.count(name) ? &fake->names.emplace_back(name) : nullptr;
}
void* fakeFind(void* library, const char* symbol) {
    const std::string& name = *static_cast<std::string*>(library);
    if (fake->withoutEntry.count(name) || std::string(symbol) != kCreateGLEffectEngineEntry)
        return nullptr;
    fake->lastFound = name;
    return reinterpret_cast<void*>(&fakeCreate);
}
void fakeUnload(void*) {
    ++fake->unloads;
}

struct LoaderCase {
    const char* title;
    bool software;
    std::set<std::string> present, withoutEntry, refusing;
    int result, unloads;
    std::vector<std::string> tried, failed;  // failed: in the order logged
};

class Loader : public GLPathTest, public ::testing::WithParamInterface<LoaderCase> {};

TEST_P(Loader, TriesTheCandidatesOfItsKindAndLogsEachFailure) {
    const LoaderCase& c = GetParam();
    FakeLibraries libraries;
    libraries.names.reserve(8);
    libraries.present = c.present;
    libraries.withoutEntry = c.withoutEntry;
    libraries.refusing = c.refusing;
    fake = &libraries;
    GLEffectEngine* engine = nullptr;
    const int result = qlx::loadGLEffectEngine({&fakeLoad, &fakeFind, &fakeUnload}, c.software,
                                               &engine, &qlx::engineLogCallback);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(engine != nullptr, c.result == 0);
    EXPECT_EQ(libraries.tried, c.tried);
    EXPECT_EQ(libraries.unloads, c.unloads);
    for (std::size_t i = 0; i < libraries.flagsAndValues.size(); i += 2) {
        EXPECT_EQ(libraries.flagsAndValues[i], c.software ? 1u : 0u);
        EXPECT_EQ(libraries.flagsAndValues[i + 1], 0u);
    }
    std::vector<std::string> logged, expected;
    for (const qlxhost::LogLine& line : host.log.lines())
        logged.push_back(std::to_string(line.level) + " " + line.text);
    for (const std::string& name : c.failed) expected.push_back("4 load " + name + " failed !");
    EXPECT_EQ(logged, expected);
}

const LoaderCase kLoaderCases[] = {
    {"HardwareMissing", false, {kMesa, kDx}, {}, {}, 1, 0, {kHw}, {kHw}},
    {"HardwarePresent", false, {kHw, kMesa, kDx}, {}, {}, 0, 0, {kHw}, {}},
    {"HardwareRefusing", false, {kHw}, {}, {kHw}, 1, 1, {kHw}, {kHw}},
    {"SoftwareNoneThere", true, {kHw}, {}, {}, 1, 0, {kMesa, kDx}, {kMesa, kDx}},
    {"SoftwareFirstOne", true, {kMesa, kDx}, {}, {}, 0, 0, {kMesa}, {}},
    {"SoftwareSecondOne", true, {kDx}, {}, {}, 0, 0, {kMesa, kDx}, {kMesa}},
    {"RefusingCreateIsUnloaded", true, {kMesa, kDx}, {}, {kMesa}, 0, 1, {kMesa, kDx}, {kMesa}},
    {"MissingEntryIsUnloaded",
     true,
     {kMesa, kDx},
     {kMesa, kDx},
     {},
     1,
     2,
     {kMesa, kDx},
     {kMesa, kDx}},
};

INSTANTIATE_TEST_SUITE_P(Candidates, Loader, ::testing::ValuesIn(kLoaderCases),
                         [](const auto& info) { return std::string(info.param.title); });

// The software engine built beside this program is found by its bare name.
TEST_F(GLPathTest, ProcessEngineIsLoadedOnceAndKept) {
    GLEffectEngine *first = nullptr, *second = nullptr;
    ASSERT_EQ(qlx::getGLEffectEngine(&first, &qlx::engineLogCallback, 0), 0);
    ASSERT_NE(first, nullptr);
    qlx::processState().softwareOpenGL = false;  // cached: the kind is not asked again
    EXPECT_EQ(qlx::getGLEffectEngine(&second, &qlx::engineLogCallback, 0), 0);
    EXPECT_EQ(second, first);
    EXPECT_TRUE(host.log.lines().empty());
}

void logThrough(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    qlx::engineLogCallback(level, format, args);
    va_end(args);
}

// Formatted once, cut at 8,191 bytes; concurrent messages stay whole.
TEST_F(GLPathTest, EngineLogFormatsCutsAndKeepsConcurrentMessagesWhole) {
    logThrough(3, "%s at %d%%", "100% %d", 7);
    logThrough(4, "%s", std::string(10000, 'x').c_str());
    ASSERT_EQ(host.log.lines().size(), 2u);
    EXPECT_EQ(host.log.lines()[0].level, 3);
    EXPECT_EQ(host.log.lines()[0].text, "100% %d at 7%");
    EXPECT_EQ(host.log.lines()[1].text, std::string(8191, 'x'));
    host.log.clear();
    std::vector<std::thread> threads;
    for (char mark : {'a', 'b', 'c', 'd'})
        threads.emplace_back([mark] {
            const std::string payload(6000, mark);
            for (int i = 0; i < 300; ++i) logThrough(2, "%c%s", mark, payload.c_str());
        });
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(host.log.lines().size(), 1200u);
    for (const qlxhost::LogLine& line : host.log.lines())
        EXPECT_EQ(line.text, std::string(6001, line.text[0]));
}

}  // namespace
}  // namespace qlxgltest
