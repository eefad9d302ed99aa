// Videos through the ffmpeg program: frames are decoded to raw 8-bit BGRA on a
// pipe with the input's own colour matrix and range, rendered, and encoded
// from a pipe tagged as the input was, with every audio stream of the input
// copied unchanged, or re-encoded where the output's container cannot hold it.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "child_process.h"
#include "video_colour.h"

namespace qlxhost::cli {

struct VideoInfo {
    int width = 0;
    int height = 0;
    std::string frameRate;                 // as ffprobe gives it, e.g. "30000/1001"
    long frameCount = 0;                   // 0 when unknown
    bool frameCountKnown = false;          // counted by the container, not estimated
    std::vector<std::string> audioCodecs;  // one per audio stream
    VideoColour colour;
};

// The encoder's settings; empty or negative: the container's usual ones.
struct VideoSettings {
    std::string codec;  // ffmpeg's encoder name
    int crf = -1;
    std::string preset;
};

// The full paths of ffmpeg and ffprobe; CliError when either is missing.
struct VideoTools {
    std::string ffmpeg;
    std::string ffprobe;
    static VideoTools find();
};

// CliError ("ffmpeg cannot decode ...") when the file holds no decodable video.
// A stream declaring more pixels than frame_limits.h allows is refused.
VideoInfo probeVideo(const VideoTools& tools, const std::string& path);
// What ffprobe's default output `text` says of `path`; the same errors.
VideoInfo videoInfoFromProbe(const std::string& text, const std::string& path);

class VideoReader {
  public:
    VideoReader(const VideoTools& tools, const std::string& path, const VideoInfo& info);
    // The next frame as CV_8UC4; false at the end. CliError when decoding
    // fails or ends before the frames the container counts.
    bool next(cv::Mat& frame);
    // What the decoder reported (its first error line), or empty.
    std::string decoderReport() const;

  private:
    std::string path_;
    VideoInfo info_;
    long frames_ = 0;
    std::unique_ptr<ChildProcess> ffmpeg_;
};

class VideoWriter {
  public:
    // Encodes frames of `width` x `height` into `path` (its extension picks
    // the container and the usual codec) at the input's frame rate and with
    // its colour tags; audio comes from `audioSource`. `shownAs` names the
    // output in messages.
    VideoWriter(const VideoTools& tools, const std::string& path, const std::string& shownAs,
                int width, int height, const VideoInfo& input, const std::string& audioSource,
                const VideoSettings& settings);
    // Audio streams re-encoded because the container cannot hold them, in words.
    const std::vector<std::string>& audioNotes() const { return audioNotes_; }
    void write(const cv::Mat& frame);  // CliError when the encoder stopped
    void finish();                     // waits for the encoder; CliError when it failed

  private:
    [[noreturn]] void failed();

    std::string shownAs_;
    std::vector<std::string> audioNotes_;
    std::unique_ptr<ChildProcess> ffmpeg_;
};

}  // namespace qlxhost::cli
