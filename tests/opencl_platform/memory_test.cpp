// Buffers, images, host images wrapped without copying, mapping and copies.
#include <cstring>

#include "cl_fixture.h"

namespace krcl_test {
namespace {

using OPENCL::_ImageDataDesc;
using OPENCL::openclKernel;
using OPENCL::openclMemory;
using OPENCL::openclProgram;

constexpr std::uint8_t kPadding = 0xAB;

std::uint8_t patternByte(size_t x, size_t y, size_t channel) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + channel * 29 + 1);
}

// Host BGRA pixels at `pitch` bytes a row; the bytes past each row keep kPadding.
void fillPattern(std::uint8_t* pixels, size_t width, size_t height, size_t pitch) {
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width * 4; ++x) pixels[y * pitch + x] = patternByte(x / 4, y, x % 4);
    }
}

cl_uint referenceCount(cl_mem mem) {
    cl_uint count = 0;
    clGetMemObjectInfo(mem, CL_MEM_REFERENCE_COUNT, sizeof count, &count, nullptr);
    return count;
}

struct ImageSize {
    size_t width, height, pitch;
};

std::string sizeName(const ::testing::TestParamInfo<ImageSize>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) + "p" +
           std::to_string(info.param.pitch);
}

class AttachedImageTest : public OpenCLTest, public ::testing::WithParamInterface<ImageSize> {};

TEST_P(AttachedImageTest, AKernelWritesStraightIntoTheHostsMemory) {
    const ImageSize s = GetParam();
    HostPixels source(s.pitch * s.height, kPadding);
    HostPixels target(s.pitch * s.height, kPadding);
    fillPattern(source.data, s.width, s.height, s.pitch);
    cl_mem input = hostImage(source, s.width, s.height, s.pitch);
    cl_mem output = hostImage(target, s.width, s.height, s.pitch);
    openclMemory* in = nullptr;
    openclMemory* out = nullptr;
    ASSERT_TRUE(memory_->AttachOpenCLMem(input, OPENCL::Image2D, kBgra8, s.width, s.height, nullptr,
                                         17, &in));
    ASSERT_TRUE(memory_->AttachOpenCLMem(output, OPENCL::Image2D, kBgra8, s.width, s.height,
                                         nullptr, 18, &out));
    openclProgram* program = buildProgram("LUT", kInvertSource);
    ASSERT_NE(program, nullptr);
    openclKernel* kernel = program->getopenclKernel("invert");
    ASSERT_TRUE(kernel->setKernelParameters(0, OPENCL::Memory, in, 8));
    ASSERT_TRUE(kernel->setKernelParameters(1, OPENCL::Memory, out, 8));
    ASSERT_TRUE(program->runProgramKernel(kernel, s.width, s.height, 1, true));

    // Read the host's own bytes, not a mapping: the output was never copied.
    for (size_t y = 0; y < s.height; ++y) {
        for (size_t x = 0; x < s.pitch; ++x) {
            const std::uint8_t expected =
                x < s.width * 4 ? 255 - patternByte(x / 4, y, x % 4) : kPadding;
            ASSERT_EQ(target.data[y * s.pitch + x], expected) << "at byte " << x << " of row " << y;
        }
    }
    // Mapping an image over host memory answers that very memory and its pitch.
    size_t pitch = 0;
    void* mapped = out->lockMemory(true, &pitch, 0, 0, 0, s.width, s.height, 1, 0, true);
    EXPECT_EQ(mapped, target.data);
    EXPECT_EQ(pitch, s.pitch);
    EXPECT_TRUE(out->unlockMemory(mapped));
    EXPECT_EQ(in->getOpenCLMemoryInfo().reserved[2], 17u);
    clReleaseMemObject(input);
    clReleaseMemObject(output);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AttachedImageTest,
                         ::testing::Values(ImageSize{1, 1, 4}, ImageSize{7, 5, 64},
                                           ImageSize{64, 33, 256}, ImageSize{33, 2, 4096}),
                         sizeName);

TEST_F(OpenCLTest, WrappersOfHostImagesAreReusedAndReclaimed) {
    HostPixels pixels(64 * 4 * 4, 0);
    cl_mem image = hostImage(pixels, 4, 4, 64);
    cl_mem companion = clCreateBuffer(native_.context, CL_MEM_READ_WRITE, 64, nullptr, nullptr);
    openclMemory* first = nullptr;
    openclMemory* again = nullptr;
    ASSERT_TRUE(
        memory_->AttachOpenCLMem(image, OPENCL::Image2D, kBgra8, 4, 4, companion, 0, &first));
    ASSERT_TRUE(
        memory_->AttachOpenCLMem(image, OPENCL::Image2D, kBgra8, 4, 4, companion, 0, &again));
    EXPECT_EQ(first, again);
    EXPECT_EQ(memory_->attachedCount(), 1u);
    EXPECT_EQ(referenceCount(image), 2u);
    EXPECT_EQ(referenceCount(companion), 2u);

    // The host lets go of its frame: the next attach reclaims the wrapper.
    clReleaseMemObject(image);
    HostPixels morePixels(64 * 4 * 4, 0);
    cl_mem next = hostImage(morePixels, 4, 4, 64);
    openclMemory* nextWrapper = nullptr;
    ASSERT_TRUE(
        memory_->AttachOpenCLMem(next, OPENCL::Image2D, kBgra8, 4, 4, nullptr, 0, &nextWrapper));
    EXPECT_EQ(memory_->attachedCount(), 1u);
    EXPECT_FALSE(memory_->holds(first));
    EXPECT_EQ(referenceCount(companion), 1u);

    // Deleting a wrapper gives the host image back its own single reference.
    EXPECT_TRUE(memory_->deleteOpenCLMem(nextWrapper, true));
    EXPECT_EQ(memory_->attachedCount(), 0u);
    EXPECT_EQ(referenceCount(next), 1u);
    clReleaseMemObject(next);
    clReleaseMemObject(companion);
}

TEST_F(OpenCLTest, AtMostSixtyFourHostImagesStayWrapped) {
    HostPixels pixels(64, 0);
    std::vector<cl_mem> images;
    openclMemory* last = nullptr;
    for (int i = 0; i < 70; ++i) {
        images.push_back(hostImage(pixels, 2, 2, 32));
        ASSERT_TRUE(memory_->AttachOpenCLMem(images.back(), OPENCL::Image2D, kBgra8, 2, 2, nullptr,
                                             i, &last));
    }
    EXPECT_EQ(memory_->attachedCount(), 64u);
    EXPECT_EQ(last->getOpenCLMemoryInfo().reserved[2], 69u);
    EXPECT_EQ(referenceCount(images.front()), 1u);  // the oldest went first
    for (cl_mem image : images) clReleaseMemObject(image);
}

// Handles AttachOpenCLMem refuses, each with its line.
struct AttachFailureCase {
    const char* name;
    enum Handle { kNull, kImage, kBuffer, kOtherContextImage } handle;
    OPENCL::MemoryType type;
    std::uint32_t width;
    const char* logPart;
};

class AttachFailureTest : public OpenCLTest,
                          public ::testing::WithParamInterface<AttachFailureCase> {};

TEST_P(AttachFailureTest, AnswersFalseAndNull) {
    const AttachFailureCase& c = GetParam();
    HostPixels pixels(8 * 32, 0);
    NativeContext other;
    ASSERT_TRUE(other.open());
    cl_mem handle = nullptr;
    if (c.handle == AttachFailureCase::kImage) handle = hostImage(pixels, 8, 8, 32);
    if (c.handle == AttachFailureCase::kBuffer) {
        handle = clCreateBuffer(native_.context, CL_MEM_READ_WRITE, 256, nullptr, nullptr);
    }
    if (c.handle == AttachFailureCase::kOtherContextImage) {
        const cl_image_format format = {CL_BGRA, CL_UNORM_INT8};
        cl_image_desc desc = {};
        desc.image_type = CL_MEM_OBJECT_IMAGE2D;
        desc.image_width = 8;
        desc.image_height = 8;
        handle = clCreateImage(other.context, CL_MEM_READ_WRITE, &format, &desc, nullptr, nullptr);
    }
    openclMemory* out = reinterpret_cast<openclMemory*>(&out);
    EXPECT_FALSE(memory_->AttachOpenCLMem(handle, c.type, kBgra8, c.width, 8, nullptr, 0, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(memory_->attachedCount(), 0u);
    EXPECT_TRUE(logged(4, c.logPart)) << "expected a line with: " << c.logPart;
    if (handle != nullptr) clReleaseMemObject(handle);
    other.close();
}

INSTANTIATE_TEST_SUITE_P(
    Handles, AttachFailureTest,
    ::testing::Values(
        AttachFailureCase{"NullHandle", AttachFailureCase::kNull, OPENCL::Image2D, 8, "handle"},
        AttachFailureCase{"BufferType", AttachFailureCase::kImage, OPENCL::Buffer, 8, "type"},
        AttachFailureCase{"BufferHandle", AttachFailureCase::kBuffer, OPENCL::Image2D, 8,
                          "not an OpenCL 2D image"},
        AttachFailureCase{"WiderThanTheImage", AttachFailureCase::kImage, OPENCL::Image2D, 9,
                          "9x8 asked of a 8x8 image"},
        AttachFailureCase{"OtherContext", AttachFailureCase::kOtherContextImage, OPENCL::Image2D, 8,
                          "another OpenCL context"}),
    [](const auto& info) { return std::string(info.param.name); });

// Images made from host pixels at any pitch map back with the mapping's pitch.
class MappedImageTest : public OpenCLTest, public ::testing::WithParamInterface<ImageSize> {};

TEST_P(MappedImageTest, ReadsAndWritesThroughTheRowPitch) {
    const ImageSize s = GetParam();
    const size_t sourcePitch = s.pitch != 0 ? s.pitch : s.width * 4;
    std::vector<std::uint8_t> source(sourcePitch * s.height, kPadding);
    fillPattern(source.data(), s.width, s.height, sourcePitch);
    openclMemory* image = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, s.width, s.height, 1,
                                         source.data(), s.pitch, &image));
    size_t pitch = 0;
    auto* mapped = static_cast<std::uint8_t*>(
        image->lockMemory(true, &pitch, 0, 0, 0, s.width, s.height, 1, 0, true));
    ASSERT_NE(mapped, nullptr);
    ASSERT_GE(pitch, s.width * 4);
    for (size_t y = 0; y < s.height; ++y) {
        ASSERT_EQ(std::memcmp(mapped + y * pitch, &source[y * sourcePitch], s.width * 4), 0)
            << "row " << y;
    }
    EXPECT_TRUE(image->unlockMemory(mapped));
    EXPECT_FALSE(image->unlockMemory(mapped));

    // Write the inverse through a write mapping; a read mapping sees it.
    mapped =
        static_cast<std::uint8_t*>(image->lockMemory(true, &pitch, 0, 0, 0, 0, 0, 1, 0, false));
    ASSERT_NE(mapped, nullptr);
    for (size_t y = 0; y < s.height; ++y) {
        for (size_t x = 0; x < s.width * 4; ++x)
            mapped[y * pitch + x] = 255 - source[y * sourcePitch + x];
    }
    ASSERT_TRUE(image->unlockMemory(mapped));
    mapped = static_cast<std::uint8_t*>(
        image->lockMemory(true, &pitch, 0, 0, 0, s.width, s.height, 1, 0, true));
    ASSERT_NE(mapped, nullptr);
    for (size_t y = 0; y < s.height; ++y) {
        for (size_t x = 0; x < s.width * 4; ++x) {
            ASSERT_EQ(mapped[y * pitch + x], 255 - source[y * sourcePitch + x]);
        }
    }
    EXPECT_TRUE(image->unlockMemory(mapped));
    const _ImageDataDesc info = image->getOpenCLMemoryInfo();
    EXPECT_EQ(info.kind, static_cast<std::uint32_t>(OPENCL::Image2D));
    EXPECT_EQ(info.width, s.width);
    EXPECT_EQ(info.height, s.height);
    EXPECT_EQ(info.channelOrder, static_cast<std::uint32_t>(CL_BGRA));
    EXPECT_EQ(info.channelType, static_cast<std::uint32_t>(CL_UNORM_INT8));
    EXPECT_EQ(info.reserved[0], 4u);
    EXPECT_GE(info.reserved[1], s.width * 4);
    EXPECT_FALSE(info.ownsPixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MappedImageTest,
                         ::testing::Values(ImageSize{1, 1, 0}, ImageSize{5, 3, 32},
                                           ImageSize{64, 17, 0}, ImageSize{7, 9, 40}),
                         sizeName);

TEST_F(OpenCLTest, ARegionMapsFromItsOrigin) {
    std::vector<std::uint8_t> source(6 * 4 * 5, 0);
    fillPattern(source.data(), 6, 5, 24);
    openclMemory* image = nullptr;
    ASSERT_TRUE(
        memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 6, 5, 1, source.data(), 24, &image));
    size_t pitch = 0;
    auto* mapped =
        static_cast<std::uint8_t*>(image->lockMemory(true, &pitch, 2, 3, 0, 2, 2, 1, 0, true));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::memcmp(mapped, &source[3 * 24 + 2 * 4], 8), 0);
    EXPECT_EQ(std::memcmp(mapped + pitch, &source[4 * 24 + 2 * 4], 8), 0);
    EXPECT_TRUE(image->unlockMemory(mapped));
    EXPECT_EQ(image->lockMemory(true, &pitch, 5, 0, 0, 2, 1, 1, 0, true), nullptr);
    EXPECT_TRUE(logged(4, "outside"));
}

TEST_F(OpenCLTest, BuffersHoldTheirBytes) {
    std::uint8_t bytes[40];
    for (int i = 0; i < 40; ++i) bytes[i] = static_cast<std::uint8_t>(i * 11);
    openclMemory* buffer = nullptr;
    openclMemory* larger = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 40, bytes, &buffer));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 64, nullptr, &larger));
    const _ImageDataDesc info = buffer->getOpenCLMemoryInfo();
    EXPECT_EQ(info.kind, static_cast<std::uint32_t>(OPENCL::Buffer));
    EXPECT_EQ(info.byteSize, 40u);
    EXPECT_EQ(info.reserved[1], 40u);
    ASSERT_TRUE(buffer->copyToMemory(larger, true, nullptr));
    size_t pitch = 0;
    auto* mapped =
        static_cast<std::uint8_t*>(larger->lockMemory(true, &pitch, 8, 0, 0, 32, 0, 0, 0, true));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(pitch, 32u);
    EXPECT_EQ(std::memcmp(mapped, bytes + 8, 32), 0);
    EXPECT_TRUE(larger->unlockMemory(mapped));
    EXPECT_EQ(larger->lockMemory(true, &pitch, 60, 0, 0, 8, 0, 0, 0, true), nullptr);
    EXPECT_FALSE(memory_->createOpenCLMem(OPENCL::Buffer, 0, nullptr, &buffer));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_FALSE(memory_->createOpenCLMem(OPENCL::Image2D, 16, nullptr, &buffer));
}

TEST_F(OpenCLTest, ImagesCopyWhole) {
    std::vector<std::uint8_t> source(9 * 4 * 7);
    fillPattern(source.data(), 9, 7, 36);
    openclMemory* from = nullptr;
    openclMemory* to = nullptr;
    ASSERT_TRUE(
        memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 9, 7, 1, source.data(), 0, &from));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 9, 7, 1, nullptr, 0, &to));
    ASSERT_TRUE(from->copyToMemory(to, true, nullptr));
    size_t pitch = 0;
    auto* mapped =
        static_cast<std::uint8_t*>(to->lockMemory(true, &pitch, 0, 0, 0, 9, 7, 1, 0, true));
    ASSERT_NE(mapped, nullptr);
    for (size_t y = 0; y < 7; ++y)
        EXPECT_EQ(std::memcmp(mapped + y * pitch, &source[y * 36], 36), 0);
    EXPECT_TRUE(to->unlockMemory(mapped));
}

// Copies the library refuses: false, a line, and the destination untouched.
struct CopyFailureCase {
    const char* name;
    bool destinationIsBuffer;
    std::uint32_t width;
    OPENCL::_image_format format;
    const char* logPart;
};

class CopyFailureTest : public OpenCLTest, public ::testing::WithParamInterface<CopyFailureCase> {};

TEST_P(CopyFailureTest, IsRefused) {
    const CopyFailureCase& c = GetParam();
    openclMemory* from = nullptr;
    openclMemory* to = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 8, 8, 1, nullptr, 0, &from));
    if (c.destinationIsBuffer) {
        ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 256, nullptr, &to));
    } else if (c.width != 0) {
        ASSERT_TRUE(
            memory_->createOpenCLMem(OPENCL::Image2D, c.format, c.width, 8, 1, nullptr, 0, &to));
    }
    EXPECT_FALSE(from->copyToMemory(to, true, nullptr));
    EXPECT_TRUE(logged(4, c.logPart)) << "expected a line with: " << c.logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Copies, CopyFailureTest,
    ::testing::Values(
        CopyFailureCase{"NullDestination", false, 0, kBgra8, "null destination"},
        CopyFailureCase{"OtherSize", false, 9, kBgra8, "differ in size"},
        CopyFailureCase{"OtherFormat", false, 8, {CL_RGBA, CL_UNORM_INT8}, "differ in format"},
        CopyFailureCase{"ImageToBuffer", true, 0, kBgra8, "between a buffer and an image"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenCLTest, DeletingAnswersForWhatTheManagerHolds) {
    openclMemory* buffer = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 16, nullptr, &buffer));
    EXPECT_TRUE(memory_->deleteOpenCLMem(nullptr, false));
    EXPECT_TRUE(loggedLines().empty());
    int stray = 0;
    EXPECT_FALSE(memory_->deleteOpenCLMem(reinterpret_cast<openclMemory*>(&stray), false));
    EXPECT_TRUE(memory_->deleteOpenCLMem(buffer, false));
    EXPECT_FALSE(memory_->holds(buffer));
    EXPECT_FALSE(memory_->deleteOpenCLMem(buffer, false));
    EXPECT_TRUE(logged(4, "not a memory object of this library"));
}

}  // namespace
}  // namespace krcl_test
