// Registering the host's context, loading and building programs, the program
// cipher, kernels and their arguments.
#include <algorithm>
#include <cstdlib>

#include "cl_fixture.h"

namespace krcl_test {
namespace {

using OPENCL::openclKernel;
using OPENCL::openclProgram;

TEST(Registration, NeedsAContextFillsInTheOtherHandlesItselfAndRefusesWorkWithoutOne) {
    OpenCLManager::SetLogCallback(captureLog);
    gLog.clear();
    for (int handles : {4, 1, 0}) {  // all four, the context only, none
        NativeContext native;
        const bool all = handles == 4;
        OpenCLManager* manager = OpenCLManager::Create();
        EXPECT_EQ(manager->RegisterOpenclContext(
                      handles ? native.context : nullptr, all ? native.device : nullptr,
                      all ? native.queue : nullptr, nullptr, all ? native.platform : nullptr),
                  handles > 0);
        openclProgram* program = manager->GetOpenclProgramManager()->createOpenCLProgram("p");
        const std::string path = writeScratchFile("add.cl", kAddToEachSource);
        ASSERT_EQ(program->loadProgram(path.c_str(), nullptr, 0, 0, 0), handles > 0);
        if (handles > 0) {
            EXPECT_EQ(addToEach(manager->GetOpenclMemManager(), program, 10, 3),
                      (std::vector<int>{10, 11, 12}));
        }
        OPENCL::openclMemory* buffer = nullptr;
        EXPECT_EQ(
            manager->GetOpenclMemManager()->createOpenCLMem(OPENCL::Buffer, 16, nullptr, &buffer),
            handles > 0);
        EXPECT_EQ(logged(4, "no OpenCL context"), handles == 0);
        OpenCLManager::Release();
    }
    OpenCLManager::SetLogCallback(nullptr);
}

TEST_F(OpenCLTest, AnotherContextReleasesWhatTheFormerOneMadeAndAForeignQueueIsRefused) {
    NativeContext other;
    EXPECT_FALSE(OpenCLManager::GetIns()->RegisterOpenclContext(
        native_.context, native_.device, other.queue, nullptr, native_.platform));
    EXPECT_TRUE(logged(4, "another context"));
    ASSERT_NE(buildProgram("p", kAddToEachSource), nullptr);
    OPENCL::openclMemory* buffer = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 64, nullptr, &buffer));
    ASSERT_TRUE(OpenCLManager::GetIns()->RegisterOpenclContext(other.context, nullptr, nullptr,
                                                               nullptr, nullptr));
    EXPECT_EQ(programs_->getOpenCLProgram("p"), nullptr);
    EXPECT_FALSE(memory_->holds(buffer));
}

TEST_F(OpenCLTest, PlainAndEncipheredFilesBuildAndOnlyAWrongMarkWarns) {
    const struct {
        bool enciphered;
        int marked;
        const char* warning;  // empty: nothing is logged
    } rows[] = {{false, 0, ""},
                {false, 1, "marked enciphered but is plain"},
                {true, 1, ""},
                {true, 0, "not marked so"}};
    int serial = 0;
    for (const auto& row : rows) {
        gLog.clear();
        const std::string name = "LUT" + std::to_string(serial++);
        const std::string stored = row.enciphered
                                       ? OPENCL::encipherProgramText(kAddToEachSource, 0xC0FFEE)
                                       : std::string(kAddToEachSource);
        const std::string path = writeScratchFile(name + ".cl", stored);
        openclProgram* program = programs_->createOpenCLProgram(name.c_str());
        ASSERT_TRUE(program->loadProgram(path.c_str(), nullptr, 0, 0, row.marked));
        EXPECT_EQ(programs_->getOpenCLProgram(name.c_str()), program);
        EXPECT_EQ(addToEach(memory_, program, 7, 3), (std::vector<int>{7, 8, 9}));
        EXPECT_EQ(*row.warning ? logged(3, row.warning) : gLog.empty(), true) << row.warning;
    }
}

TEST_F(OpenCLTest, FailedLoadsSayWhyAndCanBeRetriedUnderTheSameName) {
    const std::string broken = writeScratchFile(
        "bad.cl", "__kernel void broken(__global int* p) { p[0] = undeclared_thing; }");
    const std::string cutShort = writeScratchFile("short.cl", "QLXENC1\n\x01\x02");
    const std::string plain = writeScratchFile("add.cl", kAddToEachSource);
    const struct {
        std::string path;
        int loadType, codeType;
        const char* line;
    } rows[] = {
        {"/nonexistent/lut.cl", 0, 0, "cannot read"},
        {"", 0, 0, "no program file path"},
        {broken, 0, 0, "undeclared_thing"},
        {cutShort, 0, 0, "cut short"},
        {plain, 0, 1, "code type"},
        {plain, 7, 0, "load type"},
    };
    openclProgram* program = programs_->createOpenCLProgram("LUT");
    for (const auto& row : rows) {
        EXPECT_FALSE(
            program->loadProgram(row.path.c_str(), nullptr, row.loadType, row.codeType, 0));
        EXPECT_FALSE(program->isBuilt());
        EXPECT_EQ(programs_->getOpenCLProgram("LUT"), nullptr);
        EXPECT_TRUE(logged(4, row.line)) << row.line;
    }
    EXPECT_EQ(programs_->createOpenCLProgram("LUT"), program);
    ASSERT_TRUE(program->loadProgram(plain.c_str(), nullptr, 0, 0, 0));
    // The same file again is the shared program; another file is refused.
    EXPECT_TRUE(
        programs_->createOpenCLProgram("LUT")->loadProgram(plain.c_str(), nullptr, 0, 0, 0));
    EXPECT_FALSE(program->loadProgram(broken.c_str(), nullptr, 0, 0, 0));
    EXPECT_TRUE(logged(4, "already built"));
}

TEST(ProgramCipher, EnciphersToBytesWorkedOutByHandAndRefusesPlainOrCutText) {
    EXPECT_EQ(OPENCL::encipherProgramText("kernel", 0x01020304),
              std::string("QLXENC1\n\x04\x03\x02\x01\x57\xC0\x04\x7B\x2B\xC8", 18));
    // A seed that cancels the mixing constant still gets a working key stream.
    EXPECT_EQ(OPENCL::encipherProgramText("ab", 0x9E3779B9),
              std::string("QLXENC1\n\xB9\x79\x37\x9E\x30\x82", 14));
    // Round trips of arbitrary texts under arbitrary seeds are the program-file fuzz target's.
    std::string back;
    ASSERT_TRUE(OPENCL::decipherProgramText(OPENCL::encipherProgramText("kernel", 7), &back));
    EXPECT_EQ(back, "kernel");
    std::string unused;
    EXPECT_FALSE(OPENCL::decipherProgramText("__kernel void k() {}", &unused));
    EXPECT_FALSE(OPENCL::decipherProgramText("QLXENC1\n\x01", &unused));
}

TEST_F(OpenCLTest, TheEncipherToolWritesALoadableProgram) {
    const std::string plain = writeScratchFile("add.cl", kAddToEachSource);
    const std::string command =
        std::string(KRCL_ENCIPHER_TOOL) + " '" + plain + "' '" + plain + ".enc' 0x1234";
    ASSERT_EQ(std::system(command.c_str()), 0);
    openclProgram* program = programs_->createOpenCLProgram("LUT");
    ASSERT_TRUE(program->loadProgram((plain + ".enc").c_str(), nullptr, 0, 0, 1));
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(addToEach(memory_, program, -3, 3), (std::vector<int>{-3, -2, -1}));
}

TEST_F(OpenCLTest, KernelsBelongToTheirProgramAndEachCallerGetsItsOwn) {
    openclProgram* unbuilt = programs_->createOpenCLProgram("empty");
    EXPECT_EQ(unbuilt->getopenclKernel("MAIN"), nullptr);
    EXPECT_TRUE(logged(4, "not built"));
    openclProgram* program = buildProgram("LUT", kAddToEachSource);
    openclProgram* other = buildProgram("other", kAddToEachSource);
    ASSERT_TRUE(program && other);
    EXPECT_EQ(program->getopenclKernel("SkinProtect"), nullptr);
    EXPECT_TRUE(logged(4, "has no kernel SkinProtect"));
    openclKernel* first = program->getopenclKernel("addToEach");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(program->getopenclKernel("addToEach"), first);  // argument values never mix
    EXPECT_FALSE(program->runProgramKernel(nullptr, 4, 4, 1, true));
    EXPECT_FALSE(program->runProgramKernel(other->getopenclKernel("addToEach"), 4, 4, 1, true));
    EXPECT_TRUE(logged(4, "is not a kernel of program LUT"));
    EXPECT_FALSE(program->runProgramKernel(first, 0, 4, 1, true));
    EXPECT_TRUE(logged(4, "empty work size"));
    EXPECT_FALSE(program->runProgramKernel(first, 4, 1, 1, true));  // no arguments set
    EXPECT_TRUE(logged(4, "could not start"));
    EXPECT_FALSE(unbuilt->deleteKernel(first));
    EXPECT_TRUE(program->deleteKernel(first));
    EXPECT_FALSE(program->deleteKernel(first));
}

TEST_F(OpenCLTest, ArgumentsAreCheckedBeforeOpenCLSeesThem) {
    openclProgram* program = buildProgram("LUT", kAddToEachSource);
    ASSERT_NE(program, nullptr);
    openclKernel* kernel = program->getopenclKernel("addToEach");
    int integer = 5;
    const struct {
        std::int32_t index;
        int kind;
        void* value;
        std::uint64_t size;
        const char* line;
    } rows[] = {
        {0, OPENCL::Memory, nullptr, 8, "null memory"},
        {0, OPENCL::Memory, &integer, 8, "not a memory object"},
        {1, OPENCL::Int32, &integer, 8, "4-byte"},
        {1, OPENCL::Int32, nullptr, 4, "4-byte"},
        {1, 11, &integer, 4, "kind 11"},
        {-1, OPENCL::Int32, &integer, 4, "negative"},
        {3, OPENCL::Int32, &integer, 4, "CL_INVALID_ARG_INDEX"},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(kernel->setKernelParameters(row.index, static_cast<OPENCL::DataType>(row.kind),
                                                 row.value, row.size));
        EXPECT_TRUE(logged(4, row.line)) << row.line;
    }
}

}  // namespace
}  // namespace krcl_test
