// Buffers, images, host images wrapped without copying, mapping and copies.

#include "cl_fixture.h"

namespace krcl_test {
namespace {

using OPENCL::openclMemory;

std::uint8_t patternByte(size_t x, size_t y, size_t channel) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + channel * 29 + 1);
}

// Page-aligned host pixels for images made over them with CL_MEM_USE_HOST_PTR;
// rows of `width` BGRA pixels at `pitch` bytes, the bytes past each row 0xAB.
struct HostPixels {
    struct alignas(4096) Page {
        std::uint8_t bytes[4096];
    };
    HostPixels(size_t width, size_t height, size_t pitch) : pages((pitch * height + 4095) / 4096) {
        std::memset(data(), 0xAB, pages.size() * sizeof(Page));
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < width * 4; ++x)
                data()[y * pitch + x] = patternByte(x / 4, y, x % 4);
    }
    std::uint8_t* data() { return pages[0].bytes; }
    std::vector<Page> pages;
};

cl_uint referenceCount(cl_mem mem) {
    cl_uint count = 0;
    clGetMemObjectInfo(mem, CL_MEM_REFERENCE_COUNT, sizeof count, &count, nullptr);
    return count;
}

class Memory : public OpenCLTest {
  protected:
    // A 2D BGRA image the host made over its own memory.
    cl_mem hostImage(HostPixels& pixels, size_t width, size_t height, size_t pitch,
                     cl_context context = nullptr) {
        const cl_image_format format = {CL_BGRA, CL_UNORM_INT8};
        cl_image_desc desc = {};
        desc.image_type = CL_MEM_OBJECT_IMAGE2D;
        desc.image_width = width, desc.image_height = height, desc.image_row_pitch = pitch;
        return clCreateImage(context ? context : native_.context,
                             CL_MEM_READ_WRITE | CL_MEM_USE_HOST_PTR, &format, &desc, pixels.data(),
                             nullptr);
    }
};

TEST_F(Memory, WrappersOfHostImagesAreReusedReclaimedAndAtMostSixtyFour) {
    HostPixels pixels(4, 4, 64);
    cl_mem image = hostImage(pixels, 4, 4, 64);
    cl_mem companion = clCreateBuffer(native_.context, CL_MEM_READ_WRITE, 64, nullptr, nullptr);
    openclMemory *first = nullptr, *again = nullptr, *next = nullptr;
    ASSERT_TRUE(
        memory_->AttachOpenCLMem(image, OPENCL::Image2D, kBgra8, 4, 4, companion, 0, &first));
    ASSERT_TRUE(
        memory_->AttachOpenCLMem(image, OPENCL::Image2D, kBgra8, 4, 4, companion, 0, &again));
    EXPECT_EQ(first, again);
    EXPECT_EQ(referenceCount(image), 2u);
    EXPECT_EQ(referenceCount(companion), 2u);
    // The host lets go of its frame: the next attach reclaims the wrapper.
    clReleaseMemObject(image);
    std::vector<cl_mem> images;
    for (int i = 0; i < 70; ++i) {
        images.push_back(hostImage(pixels, 4, 4, 64));
        ASSERT_TRUE(memory_->AttachOpenCLMem(images.back(), OPENCL::Image2D, kBgra8, 4, 4, nullptr,
                                             i, &next));
        if (i == 0) {
            EXPECT_FALSE(memory_->holds(first));
        }
    }
    EXPECT_EQ(referenceCount(companion), 1u);
    EXPECT_EQ(memory_->attachedCount(), 64u);
    EXPECT_EQ(referenceCount(images.front()), 1u);  // the oldest went first
    // Deleting a wrapper gives the host image back its own single reference.
    EXPECT_TRUE(memory_->deleteOpenCLMem(next, true));
    EXPECT_EQ(referenceCount(images.back()), 1u);
    EXPECT_EQ(memory_->attachedCount(), 63u);
    for (cl_mem each : images) clReleaseMemObject(each);
    clReleaseMemObject(companion);
}

TEST_F(Memory, AttachRefusesHandlesThatAreNotImagesOfThisContextLargeEnough) {
    HostPixels pixels(8, 8, 32);
    NativeContext other;
    cl_mem image = hostImage(pixels, 8, 8, 32);
    cl_mem buffer = clCreateBuffer(native_.context, CL_MEM_READ_WRITE, 256, nullptr, nullptr);
    cl_mem foreign = hostImage(pixels, 8, 8, 32, other.context);
    const struct {
        cl_mem handle;
        OPENCL::MemoryType type;
        std::uint32_t width;
        const char* line;
    } rows[] = {
        {nullptr, OPENCL::Image2D, 8, "handle"},
        {image, OPENCL::Buffer, 8, "type"},
        {buffer, OPENCL::Image2D, 8, "not an OpenCL 2D image"},
        {image, OPENCL::Image2D, 9, "9x8 asked of a 8x8 image"},
        {foreign, OPENCL::Image2D, 8, "another OpenCL context"},
    };
    for (const auto& row : rows) {
        openclMemory* out = reinterpret_cast<openclMemory*>(&out);
        EXPECT_FALSE(
            memory_->AttachOpenCLMem(row.handle, row.type, kBgra8, row.width, 8, nullptr, 0, &out));
        EXPECT_EQ(out, nullptr);
        EXPECT_TRUE(logged(4, row.line)) << row.line;
    }
    EXPECT_EQ(memory_->attachedCount(), 0u);
    for (cl_mem each : {image, buffer, foreign}) clReleaseMemObject(each);
}

TEST_F(Memory, ImagesCopyWholeAndMapThroughTheirRowPitchWithinTheirBounds) {
    HostPixels source(7, 9, 40);
    openclMemory *image = nullptr, *copy = nullptr;
    ASSERT_TRUE(
        memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 7, 9, 1, source.data(), 40, &image));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 7, 9, 1, nullptr, 0, &copy));
    ASSERT_TRUE(image->copyToMemory(copy, true, nullptr));
    size_t pitch = 0;
    auto* mapped =
        static_cast<std::uint8_t*>(copy->lockMemory(true, &pitch, 0, 0, 0, 7, 9, 1, 0, true));
    ASSERT_NE(mapped, nullptr);
    for (size_t y = 0; y < 9; ++y)
        EXPECT_EQ(std::memcmp(mapped + y * pitch, source.data() + y * 40, 28), 0);
    EXPECT_TRUE(copy->unlockMemory(mapped));
    EXPECT_FALSE(copy->unlockMemory(mapped));
    EXPECT_EQ(image->lockMemory(true, &pitch, 6, 0, 0, 2, 1, 1, 0, true), nullptr);
    EXPECT_TRUE(logged(4, "outside"));
    const OPENCL::_ImageDataDesc info = image->getOpenCLMemoryInfo();
    EXPECT_EQ(std::vector<std::uint32_t>(
                  {info.kind, info.width, info.height, info.channelOrder, info.channelType}),
              std::vector<std::uint32_t>(
                  {static_cast<std::uint32_t>(OPENCL::Image2D), 7, 9, CL_BGRA, CL_UNORM_INT8}));
}

TEST_F(Memory, CopiesBetweenUnlikeObjectsAreRefusedWithTheirLine) {
    openclMemory *from = nullptr, *wider = nullptr, *rgba = nullptr, *buffer = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 8, 8, 1, nullptr, 0, &from));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, kBgra8, 9, 8, 1, nullptr, 0, &wider));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, {CL_RGBA, CL_UNORM_INT8}, 8, 8, 1,
                                         nullptr, 0, &rgba));
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 256, nullptr, &buffer));
    const std::pair<openclMemory*, const char*> rows[] = {
        {nullptr, "null destination"},
        {wider, "differ in size"},
        {rgba, "differ in format"},
        {buffer, "between a buffer and an image"}};
    for (const auto& [to, line] : rows) {
        EXPECT_FALSE(from->copyToMemory(to, true, nullptr));
        EXPECT_TRUE(logged(4, line)) << line;
    }
}

TEST_F(Memory, DeletingAnswersOnlyForWhatTheManagerHolds) {
    openclMemory* buffer = nullptr;
    ASSERT_TRUE(memory_->createOpenCLMem(OPENCL::Buffer, 16, nullptr, &buffer));
    EXPECT_TRUE(memory_->deleteOpenCLMem(nullptr, false));
    int stray = 0;
    EXPECT_FALSE(memory_->deleteOpenCLMem(reinterpret_cast<openclMemory*>(&stray), false));
    EXPECT_TRUE(memory_->deleteOpenCLMem(buffer, false));
    EXPECT_FALSE(memory_->holds(buffer));
    EXPECT_FALSE(memory_->deleteOpenCLMem(buffer, false));
    EXPECT_TRUE(logged(4, "not a memory object of this library"));
}

}  // namespace
}  // namespace krcl_test
