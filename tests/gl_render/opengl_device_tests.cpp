// The host kit's OpenGL device: its record, its texture helpers at any row
// pitch, what they refuse and the host state they leave as it was.
#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "kit/opengl_device.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <GL/glcorearb.h>

namespace {

class OpenGLDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(device.open()) << device.error(); }
    qlxhost::OpenGLDevice device;
};

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

TEST_F(OpenGLDeviceTest, RecordNamesTheCurrentContext) {
    const qlxhost::DeviceRecord record = device.record();
    EXPECT_EQ(record.type, std::uint32_t{kQLXGPUDeviceTypeOpenGL});
    EXPECT_EQ(record.handles[0], eglGetCurrentDisplay());
    EXPECT_EQ(record.handles[1], eglGetCurrentContext());
    for (int i = 2; i < 5; ++i) EXPECT_EQ(record.handles[i], nullptr);
}

struct PitchCase {
    int width, height, writePitch, readPitch;
};

void PrintTo(const PitchCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height << " write " << c.writePitch << " read " << c.readPitch;
}

class TexturePitches : public OpenGLDeviceTest, public ::testing::WithParamInterface<PitchCase> {};

// Pixels come back as they went in, whatever the pitches; padding is untouched.
TEST_P(TexturePitches, RoundTripKeepsEveryPixel) {
    const PitchCase c = GetParam();
    const auto source = randomBytes(std::size_t(c.writePitch) * c.height, 7);
    const std::uint32_t texture =
        device.createTexture(c.width, c.height, source.data(), c.writePitch);
    ASSERT_NE(texture, 0u);
    std::vector<std::uint8_t> back(std::size_t(c.readPitch) * c.height, 0xEE);
    ASSERT_TRUE(device.readBack(texture, c.width, c.height, back.data(), c.readPitch));
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.readPitch; ++x) {
            const std::uint8_t got = back[std::size_t(y) * c.readPitch + x];
            if (x < c.width * 4)
                ASSERT_EQ(got, source[std::size_t(y) * c.writePitch + x]) << x << "," << y;
            else
                ASSERT_EQ(got, 0xEE) << "padding written at " << x << "," << y;
        }
    }
    // A second upload replaces the texels.
    const auto next = randomBytes(source.size(), 8);
    ASSERT_TRUE(device.upload(texture, c.width, c.height, next.data(), c.writePitch));
    ASSERT_TRUE(device.readBack(texture, c.width, c.height, back.data(), c.readPitch));
    EXPECT_EQ(back[0], next[0]);
    EXPECT_EQ(back[std::size_t(c.height - 1) * c.readPitch + c.width * 4 - 1],
              next[std::size_t(c.height - 1) * c.writePitch + c.width * 4 - 1]);
    device.deleteTexture(texture);
}

INSTANTIATE_TEST_SUITE_P(Pitches, TexturePitches,
                         ::testing::Values(PitchCase{17, 9, 68, 68}, PitchCase{17, 9, 80, 72},
                                           PitchCase{17, 9, 71, 69}, PitchCase{1, 1, 4, 7},
                                           PitchCase{64, 3, 259, 256}));

TEST_F(OpenGLDeviceTest, HelpersLeaveTheHostsBindingsAsTheyWere) {
    GLuint framebuffer = 0, bound = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &bound);
    glBindTexture(GL_TEXTURE_2D, bound);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 3);
    const auto pixels = randomBytes(8 * 8 * 4, 9);
    const std::uint32_t texture = device.createTexture(8, 8, pixels.data(), 32);
    std::vector<std::uint8_t> back(pixels.size());
    ASSERT_TRUE(device.readBack(texture, 8, 8, back.data(), 32));
    GLint value = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &value);
    EXPECT_EQ(GLuint(value), framebuffer);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 8);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &value);
    EXPECT_EQ(value, 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &bound);
    device.deleteTexture(texture);
}

TEST_F(OpenGLDeviceTest, RefusesWhatItCannotDo) {
    std::vector<std::uint8_t> pixels(16 * 4 * 4);
    EXPECT_EQ(device.createTexture(0, 4), 0u);
    EXPECT_EQ(device.createTexture(16, 4, pixels.data(), 63), 0u) << "pitch below width * 4";
    const std::uint32_t texture = device.createTexture(16, 4);
    ASSERT_NE(texture, 0u);
    EXPECT_FALSE(device.upload(texture, 16, 4, nullptr, 64));
    EXPECT_FALSE(device.upload(0, 16, 4, pixels.data(), 64));
    EXPECT_FALSE(device.readBack(texture, 16, 4, pixels.data(), 60));
    // Not current on this thread: nothing is done.
    bool createdElsewhere = true, readElsewhere = true;
    std::thread other([&] {
        createdElsewhere = device.createTexture(4, 4) != 0;
        readElsewhere = device.readBack(texture, 16, 4, pixels.data(), 64);
    });
    other.join();
    EXPECT_FALSE(createdElsewhere);
    EXPECT_FALSE(readElsewhere);
    device.release();
    EXPECT_FALSE(device.isCurrent());
    EXPECT_EQ(device.createTexture(4, 4), 0u);
    ASSERT_TRUE(device.makeCurrent());
    device.deleteTexture(texture);
}

// A frame is known to the GPU Device Suite, by its texture, while it lives.
TEST_F(OpenGLDeviceTest, FrameIsListedUnderItsHandleWhileItLives) {
    qlxhost::GPUDeviceSuite suite;
    void* handle = nullptr;
    {
        qlxhost::OpenGLFrame frame(device, suite, 8, 4, 40);
        ASSERT_TRUE(frame.isValid());
        QLXFrame* face = frame.frame().qlx();
        handle = face->vtbl->GetGPUHandle(face);
        EXPECT_EQ(face->vtbl->GetData(face), nullptr);
        EXPECT_EQ(face->vtbl->GetStride(face), 40);
        void *first = nullptr, *second = reinterpret_cast<void*>(1);
        ASSERT_EQ(suite.qlx()->vtbl->GetFrameHandles(suite.qlx(), handle, &first, &second), 0);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first), frame.texture());
        EXPECT_EQ(second, nullptr);
    }
    void* first = nullptr;
    EXPECT_NE(suite.qlx()->vtbl->GetFrameHandles(suite.qlx(), handle, &first, nullptr), 0);
}

}  // namespace
