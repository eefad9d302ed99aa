// Program files, pictures and videos that ask for more than anyone needs are
// refused at once: never waited on, never read whole, never decoded.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "cli_error.h"
#include "frame_limits.h"
#include "image_file.h"
#include "lut/byte_source.h"
#include "lut/cube_lut.h"
#include "lut/lut_text_reader.h"
#include "picture_header.h"
#include "program_bytes.h"
#include "support/temp_dir.h"
#include "video_file.h"

namespace {

namespace fs = std::filesystem;

TEST(ProgramFile, OnlyARegularFileWithinTheLimitIsRead) {
    qlxtest::TempDir dir;
    const std::string fifo = dir.path() + "/fifo", big = dir.write("big", "");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::resize_file(big, qlxcipher::kMaxProgramFileBytes + 1);
    std::string bytes;
    for (const std::string& path : {fifo, big, std::string("/dev/zero"), dir.path()})
        EXPECT_FALSE(qlxcipher::readProgramBytes(path, &bytes)) << path;
    EXPECT_TRUE(qlxcipher::readProgramBytes(dir.write("lut.cl", "kernel"), &bytes));
    EXPECT_EQ(bytes, "kernel");
}

TEST(HostilePicture, IsRefusedBeforeAByteIsRead) {
    qlxtest::TempDir dir;
    // A FIFO is refused as a device is (Commands/Command.*/FifoInput).
    const std::string big = dir.write("big.png", "");
    fs::resize_file(big, qlxhost::cli::kMaxPictureFileBytes + 1);
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "not a regular file"},
        {big, "larger than a picture"},
        {dir.path(), "a folder, not a picture"},
        {dir.path() + "/none.png", "no such picture"},
        // Bytes that only look like a JPEG never reach OpenCV's other decoders.
        {QLX_SOURCE_DIR "/fuzz/qlxhost/corpus_fuzz_qlxhost_picture/dicom_behind_jpeg_marker.jpg",
         "not a readable PNG, JPEG or TIFF"}};
    for (const auto& [path, why] : cases) {
        try {
            qlxhost::cli::readPicture(path);
            ADD_FAILURE() << path << " was read";
        } catch (const qlxhost::cli::CliError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(path + ": " + why, 0), 0u) << e.what();
        }
    }
}

// libpng cleared the gigabyte a 9-byte ICC profile chunk declared (15 s).
TEST(HostilePicture, OnlyThePixelChunksOfAPngAreDecoded) {
    const std::string seed = qlxtest::readFile(
        QLX_SOURCE_DIR
        "/fuzz/qlxhost/corpus_fuzz_qlxhost_picture/icc_profile_declaring_a_gigabyte.png");
    EXPECT_EQ(qlxhost::cli::pngPixelChunks(seed), seed.substr(0, 33));
}

// A LUT header asking for 65 x 65 x 65 entries, then one: the memory held
// follows the lines read, not what the header asks for.
TEST(ShortLutFile, HoldsMemoryForTheLinesItHasOnly) {
    std::string shaper = "0";
    for (int i = 1; i < 65; ++i) shaper += " " + std::to_string(i * 15);
    for (const std::string& text : {std::string("LUT_3D_SIZE 65\n0 0 0\n"), shaper + "\n0 0 0\n"}) {
        const auto format = text[0] == 'L' ? qlx::LutFileFormat::Cube : qlx::LutFileFormat::ThreeDl;
        qlx::MemoryByteSource source(text.data(), text.size());
        const qlx::LutReading reading =
            qlx::readLut(*std::make_unique<qlx::LutTextReader>(source), format);
        EXPECT_TRUE(reading.entriesBegun && !reading.loaded()) << text;
        const auto packed = std::make_unique<qlx::CubeLut>(true, true);
        source.rewind();
        EXPECT_FALSE(packed->loadFromSource(source, format, true));
        for (std::size_t floats : {reading.lut.entries.capacity(), packed->packedList().capacity()})
            EXPECT_LE(floats * sizeof(float), 12 * text.size()) << text;
    }
}

// The fuzz seeds named bomb_* declare 65,535 or 100,000 pixels a side.
TEST(HugeMedia, IsRefusedByTheSizeItDeclares) {
    const fs::path seeds = fs::path(QLX_SOURCE_DIR) / "fuzz/qlxhost";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(seeds)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("bomb_", 0) != 0 && name.rfind("probe_absurd", 0) != 0) continue;
        ++files;
        const std::string bytes = qlxtest::readFile(entry.path().string());
        try {
            name.rfind("bomb_", 0) == 0 ? (void)qlxhost::cli::pictureFromBytes(bytes, name)
                                        : (void)qlxhost::cli::videoInfoFromProbe(bytes, name);
            ADD_FAILURE() << name << " was accepted";
        } catch (const qlxhost::cli::CliError& e) {
            EXPECT_THAT(e.what(),
                        ::testing::MatchesRegex(
                            name + ": [0-9]+ x [0-9]+ pixels is larger than qlxhost takes.*"))
                << name;
        }
    }
    EXPECT_EQ(files, 6);
}

}  // namespace
