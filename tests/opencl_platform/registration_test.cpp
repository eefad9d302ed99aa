// Registering the host's context, and what every operation answers without one.
#include "cl_fixture.h"

namespace krcl_test {
namespace {

using OPENCL::openclMemory;

// The five handles of a device record, as the plugin passes them (1, 2, 3, 5, 4).
struct RegistrationCase {
    const char* name;
    bool withContext, withDevice, withQueue, withPlatform;
    bool accepted;
};

class RegistrationTest : public ::testing::TestWithParam<RegistrationCase> {};

TEST_P(RegistrationTest, AnswersAndThenBuilds) {
    const RegistrationCase& c = GetParam();
    NativeContext native;
    ASSERT_TRUE(native.open());
    OpenCLManager::SetLogCallback(nullptr);
    OpenCLManager* manager = OpenCLManager::Create();
    EXPECT_EQ(manager, OpenCLManager::GetIns());
    const bool registered = manager->RegisterOpenclContext(
        c.withContext ? native.context : nullptr, c.withDevice ? native.device : nullptr,
        c.withQueue ? native.queue : nullptr, nullptr, c.withPlatform ? native.platform : nullptr);
    EXPECT_EQ(registered, c.accepted);
    EXPECT_EQ(manager->hasContext(), c.accepted);
    if (c.accepted) {
        // The handles the library filled in itself are usable: a program runs.
        const std::string path = writeScratchFile("add.cl", kAddToEachSource);
        OPENCL::openclProgram* program =
            manager->GetOpenclProgramManager()->createOpenCLProgram("p");
        ASSERT_TRUE(program->loadProgram(path.c_str(), nullptr, 0, 0, 0));
        const std::vector<int> expected = {10, 11, 12};
        EXPECT_EQ(addToEach(manager->GetOpenclMemManager(), program, 10, 3), expected);
    }
    OpenCLManager::Release();
    native.close();
}

INSTANTIATE_TEST_SUITE_P(
    Handles, RegistrationTest,
    ::testing::Values(RegistrationCase{"AllFour", true, true, true, true, true},
                      RegistrationCase{"ContextOnly", true, false, false, false, true},
                      RegistrationCase{"NoQueue", true, true, false, true, true},
                      RegistrationCase{"NoContext", false, true, true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenCLTest, AQueueOfAnotherContextIsRefused) {
    NativeContext other;
    ASSERT_TRUE(other.open());
    EXPECT_FALSE(manager_->RegisterOpenclContext(native_.context, native_.device, other.queue,
                                                 nullptr, native_.platform));
    EXPECT_TRUE(logged(4, "another context"));
    other.close();
}

TEST_F(OpenCLTest, AnotherContextReleasesWhatTheFormerOneMade) {
    ASSERT_NE(buildProgram("p", kAddToEachSource), nullptr);
    openclMemory* buffer = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 64, nullptr, &buffer));
    NativeContext other;
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(manager_->RegisterOpenclContext(other.context, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(programs_->getOpenCLProgram("p"), nullptr);
    EXPECT_FALSE(memory_->holds(buffer));
    OpenCLManager::Release();
    other.close();
}

// Every operation that needs the context answers false, with its log line.
class UnregisteredTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearLog();
        OpenCLManager::Release();
        manager_ = OpenCLManager::GetIns();
        OpenCLManager::SetLogCallback([](int level, const char* text) {
            if (level == 4 && std::string(text).find("no OpenCL context") != std::string::npos) {
                ++refusals_;
            }
        });
        refusals_ = 0;
    }
    void TearDown() override {
        OpenCLManager::Release();
        OpenCLManager::SetLogCallback(nullptr);
    }
    OpenCLManager* manager_ = nullptr;
    static inline int refusals_ = 0;
};

TEST_F(UnregisteredTest, EveryOperationRefusesWithALogLine) {
    EXPECT_FALSE(manager_->hasContext());
    OPENCL::openclMemManager* memory = manager_->GetOpenclMemManager();
    openclMemory* out = reinterpret_cast<openclMemory*>(&out);
    std::uint8_t pixels[16] = {};
    int fakeHandle = 0;
    EXPECT_FALSE(memory->createOpenCLMem(OPENCL::Buffer, 16, pixels, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(memory->createOpenCLMem(OPENCL::Image2D, kBgra8, 2, 2, 1, pixels, 8, &out));
    EXPECT_FALSE(
        memory->AttachOpenCLMem(&fakeHandle, OPENCL::Image2D, kBgra8, 2, 2, nullptr, 0, &out));
    const std::string path = writeScratchFile("add.cl", kAddToEachSource);
    OPENCL::openclProgram* program = manager_->GetOpenclProgramManager()->createOpenCLProgram("p");
    ASSERT_NE(program, nullptr);
    EXPECT_FALSE(program->loadProgram(path.c_str(), nullptr, 0, 0, 0));
    EXPECT_EQ(program->getopenclKernel("addToEach"), nullptr);
    EXPECT_EQ(refusals_, 4);
}

}  // namespace
}  // namespace krcl_test
