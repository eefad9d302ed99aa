// Videos through the ffmpeg program: frames are decoded to raw 8-bit BGRA on a
// pipe, rendered, and encoded from a pipe, with every audio stream of the
// input copied unchanged into the output.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "child_process.h"

namespace qlxhost::cli {

struct VideoInfo {
    int width = 0;
    int height = 0;
    std::string frameRate;  // as ffprobe gives it, e.g. "30000/1001"
    long frameCount = 0;    // 0 when unknown; for progress only
    bool hasAudio = false;
};

// The full paths of ffmpeg and ffprobe; CliError when either is missing.
struct VideoTools {
    std::string ffmpeg;
    std::string ffprobe;
    static VideoTools find();
};

// CliError ("ffmpeg cannot decode ...") when the file holds no decodable video.
VideoInfo probeVideo(const VideoTools& tools, const std::string& path);

class VideoReader {
  public:
    VideoReader(const VideoTools& tools, const std::string& path, const VideoInfo& info);
    // The next frame as CV_8UC4; false at the end. CliError when decoding fails.
    bool next(cv::Mat& frame);

  private:
    std::string path_;
    VideoInfo info_;
    std::unique_ptr<ChildProcess> ffmpeg_;
};

class VideoWriter {
  public:
    // Encodes frames of `width` x `height` into `path` (its extension picks
    // the container and codec) at the input's frame rate; audio comes from
    // `audioSource`. `shownAs` names the output in messages.
    VideoWriter(const VideoTools& tools, const std::string& path, const std::string& shownAs,
                int width, int height, const VideoInfo& input, const std::string& audioSource);
    void write(const cv::Mat& frame);  // CliError when the encoder stopped
    void finish();                     // waits for the encoder; CliError when it failed

  private:
    [[noreturn]] void failed();

    std::string shownAs_;
    std::unique_ptr<ChildProcess> ffmpeg_;
};

}  // namespace qlxhost::cli
