// Program files, pictures and videos that ask for more than anyone needs are
// refused at once: never waited on, never read whole, never decoded.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include <filesystem>

#include "cli_error.h"
#include "image_file.h"
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

// Bytes that only look like a JPEG never reach OpenCV's other decoders.
TEST(HugeMedia, ABadJpegSignatureIsRefusedWithOneError) {
    const std::string seed = QLX_SOURCE_DIR
        "/fuzz/qlxhost/corpus_fuzz_qlxhost_picture/"
        "dicom_behind_jpeg_marker.jpg";
    EXPECT_THROW(qlxhost::cli::pictureFromBytes(qlxtest::readFile(seed), "x"),
                 qlxhost::cli::CliError);
}

}  // namespace
