// The engine loader: which libraries are tried in which order, what is logged,
// what stays loaded, and the process-wide engine.
#include <gtest/gtest.h>

#include <cstdarg>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gl_test_support.h"
#include "plugin/process_state.h"
#include "render/gl/gl_engine_loader.h"

namespace qlxgltest {
namespace {

const std::string kHardware = "KROpenGLEffectMgr.so";
const std::string kMesa = "KROpenGLEffectMgr-mesa.so";
const std::string kDirectX = "KROpenGLEffectMgr-dx.so";

class NullEngine final : public GLEffectEngine {
  public:
    int createEffect(int, int, int, bool, const std::string&, std::shared_ptr<GLEffect>& effect,
                     std::int32_t, const std::string&, const GLTextLists&,
                     const GLTextLists&) override {
        effect.reset();
        return 1;
    }
};

// A file system of engine libraries for the loader, with what it was asked.
struct FakeLibraries {
    std::set<std::string> present, withoutEntry, refusing;
    std::vector<std::string> tried;
    std::vector<std::uint8_t> flags;
    std::vector<std::uint64_t> values;
    int unloads = 0;
    std::string lastFound;
    std::vector<std::string> names;  // handles point into this list
    NullEngine engine;
};
FakeLibraries* fake = nullptr;

int fakeCreate(GLEffectEngine** engine, GLEngineLogCallback, std::uint8_t flag,
               std::uint64_t value) {
    fake->flags.push_back(flag);
    fake->values.push_back(value);
    if (fake->refusing.count(fake->lastFound)) return 3;
    *engine = &fake->engine;
    return 0;
}

void* fakeLoad(const std::string& name) {
    fake->tried.push_back(name);
    if (!fake->present.count(name)) return nullptr;
    fake->names.push_back(name);
    return &fake->names.back();
}

void* fakeFind(void* library, const char* symbol) {
    const std::string& name = *static_cast<std::string*>(library);
    if (fake->withoutEntry.count(name) || std::string(symbol) != kCreateGLEffectEngineEntry) {
        return nullptr;
    }
    fake->lastFound = name;
    return reinterpret_cast<void*>(&fakeCreate);
}

void fakeUnload(void*) {
    ++fake->unloads;
}

struct LoaderCase {
    const char* title;
    bool softwareOpenGL;
    std::set<std::string> present, withoutEntry, refusing;
    int result;
    std::vector<std::string> tried;
    std::vector<std::string> failed;  // in the order logged
    int unloads;
};

std::ostream& operator<<(std::ostream& out, const LoaderCase& c) {
    return out << c.title;
}

class LoaderTable : public GLPathTest, public ::testing::WithParamInterface<LoaderCase> {};

TEST_P(LoaderTable, TriesTheCandidatesOfItsKindAndLogsEachFailure) {
    const LoaderCase& c = GetParam();
    FakeLibraries libraries;
    libraries.names.reserve(8);
    libraries.present = c.present;
    libraries.withoutEntry = c.withoutEntry;
    libraries.refusing = c.refusing;
    fake = &libraries;
    const qlx::GLEngineLibraryCalls calls{&fakeLoad, &fakeFind, &fakeUnload};

    GLEffectEngine* engine = nullptr;
    const int result =
        qlx::loadGLEffectEngine(calls, c.softwareOpenGL, &engine, &qlx::engineLogCallback);
    fake = nullptr;

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(engine != nullptr, c.result == 0);
    EXPECT_EQ(libraries.tried, c.tried);
    EXPECT_EQ(libraries.unloads, c.unloads);
    std::vector<std::string> logged;
    for (const qlxhost::LogLine& line : host.log.lines()) {
        EXPECT_EQ(line.level, 4) << line.text;
        logged.push_back(line.text);
    }
    std::vector<std::string> expected;
    for (const std::string& name : c.failed) expected.push_back("load " + name + " failed !");
    EXPECT_EQ(logged, expected);
    for (std::uint8_t flag : libraries.flags) EXPECT_EQ(flag, c.softwareOpenGL ? 1 : 0);
    for (std::uint64_t value : libraries.values) EXPECT_EQ(value, 0u);
}

const LoaderCase kLoaderCases[] = {
    {"HardwareMissing", false, {}, {}, {}, 1, {kHardware}, {kHardware}, 0},
    {"HardwarePresent", false, {kHardware, kMesa, kDirectX}, {}, {}, 0, {kHardware}, {}, 0},
    {"HardwareMissingSoftwareNotTried",
     false,
     {kMesa, kDirectX},
     {},
     {},
     1,
     {kHardware},
     {kHardware},
     0},
    {"SoftwareNoneThere", true, {}, {}, {}, 1, {kMesa, kDirectX}, {kMesa, kDirectX}, 0},
    {"SoftwareSecondOne", true, {kDirectX}, {}, {}, 0, {kMesa, kDirectX}, {kMesa}, 0},
    {"SoftwareFirstOne", true, {kMesa, kDirectX}, {}, {}, 0, {kMesa}, {}, 0},
    {"SoftwareHardwareNotTried",
     true,
     {kHardware},
     {},
     {},
     1,
     {kMesa, kDirectX},
     {kMesa, kDirectX},
     0},
    {"RefusingCreateIsUnloaded",
     true,
     {kMesa, kDirectX},
     {},
     {kMesa},
     0,
     {kMesa, kDirectX},
     {kMesa},
     1},
    {"MissingEntryIsUnloaded",
     true,
     {kMesa, kDirectX},
     {kMesa, kDirectX},
     {},
     1,
     {kMesa, kDirectX},
     {kMesa, kDirectX},
     2},
    {"HardwareRefusing", false, {kHardware}, {}, {kHardware}, 1, {kHardware}, {kHardware}, 1},
};

INSTANTIATE_TEST_SUITE_P(Candidates, LoaderTable, ::testing::ValuesIn(kLoaderCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(GLPathTest, LoaderWithoutHostLogStillAnswers) {
    qlx::suiteTable().hostUtil = nullptr;
    FakeLibraries libraries;
    libraries.names.reserve(8);
    libraries.present = {kDirectX};
    fake = &libraries;
    const qlx::GLEngineLibraryCalls calls{&fakeLoad, &fakeFind, &fakeUnload};
    GLEffectEngine* engine = nullptr;
    EXPECT_EQ(qlx::loadGLEffectEngine(calls, true, &engine, &qlx::engineLogCallback), 0);
    fake = nullptr;
    EXPECT_EQ(engine, &libraries.engine);
    EXPECT_TRUE(host.log.lines().empty());
}

TEST(GLEngineCandidates, BareNamesWithThePlatformSuffixInOrder) {
    EXPECT_EQ(qlx::glEngineCandidates(), (std::vector<std::string>{kHardware, kMesa, kDirectX}));
}

// The software engine built beside this program is found by its bare name.
TEST_F(GLPathTest, ProcessEngineIsLoadedOnceAndKept) {
    GLEffectEngine* first = nullptr;
    ASSERT_EQ(qlx::getGLEffectEngine(&first, &qlx::engineLogCallback, 0), 0);
    ASSERT_NE(first, nullptr);
    GLEffectEngine* second = nullptr;
    ASSERT_EQ(qlx::getGLEffectEngine(&second, &qlx::engineLogCallback, 0), 0);
    EXPECT_EQ(second, first);
    // Cached: even a host that now reports an OpenGL device gets the same engine.
    qlx::processState().softwareOpenGL = false;
    GLEffectEngine* third = nullptr;
    EXPECT_EQ(qlx::getGLEffectEngine(&third, &qlx::engineLogCallback, 0), 0);
    qlx::processState().softwareOpenGL = true;
    EXPECT_EQ(third, first);
    EXPECT_TRUE(host.log.lines().empty());
}

void logThrough(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    qlx::engineLogCallback(level, format, args);
    va_end(args);
}

TEST_F(GLPathTest, EngineLogTextReachesTheHostUnchanged) {
    logThrough(3, "%s at %d%%", "100% %d %s", 7);
    ASSERT_EQ(host.log.lines().size(), 1u);
    EXPECT_EQ(host.log.lines()[0].level, 3);
    EXPECT_EQ(host.log.lines()[0].text, "100% %d %s at 7%");
}

TEST_F(GLPathTest, EngineLogCutsLongTextsAt8191Bytes) {
    const std::string longText(10000, 'x');
    logThrough(4, "%s", longText.c_str());
    ASSERT_EQ(host.log.lines().size(), 1u);
    EXPECT_EQ(host.log.lines()[0].text, std::string(8191, 'x'));
}

TEST_F(GLPathTest, EngineLogFromManyThreadsKeepsEachMessageWhole) {
    constexpr int kThreads = 4, kMessages = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string payload(6000, static_cast<char>('a' + t));
            for (int i = 0; i < kMessages; ++i) logThrough(2, "%d:%s", t, payload.c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();
    const auto lines = host.log.lines();
    ASSERT_EQ(lines.size(), std::size_t(kThreads * kMessages));
    for (const qlxhost::LogLine& line : lines) {
        ASSERT_GE(line.text.size(), 2u);
        const char mark = static_cast<char>('a' + (line.text[0] - '0'));
        EXPECT_EQ(line.text.substr(2), std::string(6000, mark));
    }
}

}  // namespace
}  // namespace qlxgltest
