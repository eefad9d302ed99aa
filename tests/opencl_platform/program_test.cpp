// Loading and building programs, the cipher, kernels and their arguments.
#include <cstdlib>
#include <random>

#include "cl_fixture.h"

namespace krcl_test {
namespace {

using OPENCL::openclKernel;
using OPENCL::openclMemory;
using OPENCL::openclProgram;

// Plain and enciphered files, marked or not: all build, and only a mismatch warns.
struct LoadCase {
    const char* name;
    bool encipheredFile;
    int encrypted;
    int loadType;
    const char* warning;  // null: no warning expected
};

class LoadTest : public OpenCLTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTest, BuildsTheSourceItWasGiven) {
    const LoadCase& c = GetParam();
    const std::string stored = c.encipheredFile
                                   ? OPENCL::encipherProgramText(kAddToEachSource, 0xC0FFEE)
                                   : std::string(kAddToEachSource);
    const std::string path = writeScratchFile("add.cl", stored);
    openclProgram* program = programs_->createOpenCLProgram("LUT");
    ASSERT_TRUE(program->loadProgram(path.c_str(), stored.c_str(), c.loadType, 0, c.encrypted));
    EXPECT_EQ(programs_->getOpenCLProgram("LUT"), program);
    const std::vector<int> expected = {7, 8, 9, 10, 11};
    EXPECT_EQ(addToEach(memory_, program, 7, 5), expected);
    if (c.warning != nullptr) {
        EXPECT_TRUE(logged(3, c.warning));
    } else {
        EXPECT_TRUE(loggedLines().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(LoadCase{"PlainUnmarked", false, 0, 0, nullptr},
                      LoadCase{"PlainMarked", false, 1, 0, "marked enciphered but is plain"},
                      LoadCase{"EncipheredMarked", true, 1, 0, nullptr},
                      LoadCase{"EncipheredUnmarked", true, 0, 0, "not marked so"},
                      LoadCase{"PlainText", false, 0, 1, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Every way a load fails: false, still unbuilt, and an error line saying why.
struct LoadFailureCase {
    const char* name;
    const char* fileContents;  // null: no file is written
    const char* path;          // used when no file is written
    int loadType, codeType;
    const char* logPart;
};

class LoadFailureTest : public OpenCLTest, public ::testing::WithParamInterface<LoadFailureCase> {};

TEST_P(LoadFailureTest, AnswersFalseWithTheReason) {
    const LoadFailureCase& c = GetParam();
    const std::string path = c.fileContents != nullptr ? writeScratchFile("bad.cl", c.fileContents)
                                                       : std::string(c.path);
    openclProgram* program = programs_->createOpenCLProgram("LUT");
    EXPECT_FALSE(program->loadProgram(path.c_str(), nullptr, c.loadType, c.codeType, 0));
    EXPECT_FALSE(program->isBuilt());
    EXPECT_EQ(programs_->getOpenCLProgram("LUT"), nullptr);
    EXPECT_TRUE(logged(4, c.logPart)) << "expected a line with: " << c.logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LoadFailureTest,
    ::testing::Values(
        LoadFailureCase{"MissingFile", nullptr, "/nonexistent/lut.cl", 0, 0, "cannot read"},
        LoadFailureCase{"EmptyPath", nullptr, "", 0, 0, "no program file path"},
        LoadFailureCase{"BuildError",
                        "__kernel void broken(__global int* p) { p[0] = undeclared_thing; }",
                        nullptr, 0, 0, "undeclared_thing"},
        LoadFailureCase{"CipherCutShort", "QLXENC1\n\x01\x02", nullptr, 0, 0, "cut short"},
        LoadFailureCase{"BinaryCode", "__kernel void k() {}", nullptr, 0, 1, "code type"},
        LoadFailureCase{"UnknownLoadType", "__kernel void k() {}", nullptr, 7, 0, "load type"},
        LoadFailureCase{"TextTypeWithoutText", nullptr, "named", 1, 0, "needs a program text"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenCLTest, AFailedLoadCanBeRetriedUnderTheSameName) {
    openclProgram* first = programs_->createOpenCLProgram("LUT");
    ASSERT_FALSE(first->loadProgram("/nonexistent/lut.cl", nullptr, 0, 0, 0));
    openclProgram* again = programs_->createOpenCLProgram("LUT");
    EXPECT_EQ(again, first);
    const std::string path = writeScratchFile("add.cl", kAddToEachSource);
    ASSERT_TRUE(again->loadProgram(path.c_str(), nullptr, 0, 0, 0));
    // The same file again is the shared program; another file is refused.
    EXPECT_TRUE(programs_->createOpenCLProgram("LUT")->loadProgram(path.c_str(), nullptr, 0, 0, 0));
    const std::string other = writeScratchFile("invert.cl", kInvertSource);
    EXPECT_FALSE(again->loadProgram(other.c_str(), nullptr, 0, 0, 0));
    EXPECT_TRUE(logged(4, "already built"));
}

TEST(ProgramCipher, FollowsTheDocumentedFormat) {
    // Bytes worked out by hand from the format description, not by this library.
    const std::string kernel = OPENCL::encipherProgramText("kernel", 0x01020304);
    EXPECT_EQ(kernel, std::string("QLXENC1\n\x04\x03\x02\x01\x57\xC0\x04\x7B\x2B\xC8", 18));
    // A seed that cancels the mixing constant still gets a working key stream.
    EXPECT_EQ(OPENCL::encipherProgramText("ab", 0x9E3779B9),
              std::string("QLXENC1\n\xB9\x79\x37\x9E\x30\x82", 14));
}

TEST_F(OpenCLTest, TheEncipherToolWritesALoadableProgram) {
    const std::string plain = writeScratchFile("add.cl", kAddToEachSource);
    const std::string stored = plain + ".enc";
    const std::string command =
        std::string(KRCL_ENCIPHER_TOOL) + " '" + plain + "' '" + stored + "' 0x1234";
    ASSERT_EQ(std::system(command.c_str()), 0);
    openclProgram* program = programs_->createOpenCLProgram("LUT");
    ASSERT_TRUE(program->loadProgram(stored.c_str(), nullptr, 0, 0, 1));
    EXPECT_TRUE(loggedLines().empty());
    const std::vector<int> expected = {-3, -2, -1};
    EXPECT_EQ(addToEach(memory_, program, -3, 3), expected);
}

TEST(ProgramCipher, DeciphersWhatItEnciphers) {
    std::mt19937 random(42);
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 300, '\0');
        for (char& c : text) c = static_cast<char>(random());
        const std::string stored = OPENCL::encipherProgramText(text, random());
        ASSERT_TRUE(OPENCL::isEncipheredProgram(stored));
        if (text.size() > 16) {
            ASSERT_EQ(stored.find(text), std::string::npos);
        }
        std::string back;
        ASSERT_TRUE(OPENCL::decipherProgramText(stored, &back));
        ASSERT_EQ(back, text);
    }
    std::string unused;
    EXPECT_FALSE(OPENCL::decipherProgramText("__kernel void k() {}", &unused));
    EXPECT_FALSE(OPENCL::decipherProgramText("QLXENC1\n\x01", &unused));
}

TEST_F(OpenCLTest, KernelsAreLookedUpAndDeletedByTheirProgram) {
    openclProgram* unbuilt = programs_->createOpenCLProgram("empty");
    EXPECT_EQ(unbuilt->getopenclKernel("MAIN"), nullptr);
    EXPECT_TRUE(logged(4, "not built"));
    openclProgram* program = buildProgram("LUT", kAddToEachSource);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->getopenclKernel("SkinProtect"), nullptr);
    EXPECT_TRUE(logged(4, "has no kernel SkinProtect"));
    EXPECT_EQ(program->getopenclKernel(nullptr), nullptr);
    // Each caller gets its own kernel object, so argument values never mix.
    openclKernel* first = program->getopenclKernel("addToEach");
    openclKernel* second = program->getopenclKernel("addToEach");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_FALSE(unbuilt->deleteKernel(first));
    EXPECT_TRUE(program->deleteKernel(first));
    EXPECT_FALSE(program->deleteKernel(first));
    EXPECT_TRUE(program->deleteKernel(nullptr));
}

// Runs that cannot start answer false with a line; nothing is run.
TEST_F(OpenCLTest, RunsThatCannotStartAnswerFalse) {
    openclProgram* program = buildProgram("LUT", kAddToEachSource);
    openclProgram* other = buildProgram("other", kAddToEachSource);
    ASSERT_NE(program, nullptr);
    ASSERT_NE(other, nullptr);
    openclKernel* kernel = program->getopenclKernel("addToEach");
    openclKernel* foreign = other->getopenclKernel("addToEach");
    EXPECT_FALSE(program->runProgramKernel(nullptr, 4, 4, 1, true));
    EXPECT_FALSE(program->runProgramKernel(foreign, 4, 4, 1, true));
    EXPECT_TRUE(logged(4, "is not a kernel of program LUT"));
    EXPECT_FALSE(program->runProgramKernel(kernel, 0, 4, 1, true));
    EXPECT_TRUE(logged(4, "empty work size"));
    clearLog();
    EXPECT_FALSE(program->runProgramKernel(kernel, 4, 1, 1, true));  // no arguments set
    EXPECT_TRUE(logged(4, "could not start"));
}

// Arguments the library refuses, each with its line, before OpenCL sees them.
struct ArgumentCase {
    const char* name;
    std::int32_t index;
    int kind;
    enum Value { kNullValue, kStrayPointer, kInt } value;
    std::uint64_t size;
    const char* logPart;
};

class ArgumentTest : public OpenCLTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(ArgumentTest, IsRefused) {
    const ArgumentCase& c = GetParam();
    openclProgram* program = buildProgram("LUT", kAddToEachSource);
    ASSERT_NE(program, nullptr);
    openclKernel* kernel = program->getopenclKernel("addToEach");
    int integer = 5;
    void* value = c.value == ArgumentCase::kNullValue ? nullptr : &integer;
    EXPECT_FALSE(
        kernel->setKernelParameters(c.index, static_cast<OPENCL::DataType>(c.kind), value, c.size));
    EXPECT_TRUE(logged(4, c.logPart)) << "expected a line with: " << c.logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ArgumentTest,
    ::testing::Values(
        ArgumentCase{"NullMemory", 0, OPENCL::Memory, ArgumentCase::kNullValue, 8, "null memory"},
        ArgumentCase{"StrayMemory", 0, OPENCL::Memory, ArgumentCase::kStrayPointer, 8,
                     "not a memory object"},
        ArgumentCase{"IntOfWrongSize", 1, OPENCL::Int32, ArgumentCase::kInt, 8, "4-byte"},
        ArgumentCase{"IntWithoutValue", 1, OPENCL::Int32, ArgumentCase::kNullValue, 4, "4-byte"},
        ArgumentCase{"UnknownKind", 1, 11, ArgumentCase::kInt, 4, "kind 11"},
        ArgumentCase{"NegativeIndex", -1, OPENCL::Int32, ArgumentCase::kInt, 4, "negative"},
        ArgumentCase{"IndexPastTheEnd", 3, OPENCL::Int32, ArgumentCase::kInt, 4,
                     "CL_INVALID_ARG_INDEX"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace krcl_test
