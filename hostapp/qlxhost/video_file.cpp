#include "video_file.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include "cli_error.h"
#include "container_audio.h"
#include "frame_limits.h"
#include "interrupt.h"
#include "media_kind.h"

namespace qlxhost::cli {
namespace {

using Fields = std::map<std::string, std::string>;

// A frame count estimated from a duration beyond this is taken as unknown.
constexpr double kMaxEstimatedFrames = 1e12;

// The [STREAM] and [FORMAT] sections of ffprobe's default output.
std::vector<Fields> probeSections(const std::string& text) {
    std::vector<Fields> sections;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]" || line == "[FORMAT]") {
            sections.emplace_back();
            sections.back()["section"] = line;
        } else if (const auto eq = line.find('='); eq != std::string::npos && !sections.empty()) {
            sections.back()[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return sections;
}

long toLong(const std::string& text) {
    try {
        return std::stol(text);
    } catch (const std::exception&) {
        return 0;
    }
}

double rateOf(const std::string& fraction) {
    const auto slash = fraction.find('/');
    try {
        const double num = std::stod(fraction.substr(0, slash));
        const double den = slash == std::string::npos ? 1.0 : std::stod(fraction.substr(slash + 1));
        return den > 0 ? num / den : 0.0;
    } catch (const std::exception&) {
        return 0.0;
    }
}

std::vector<std::string> encoderArguments(const std::string& ext, const VideoSettings& settings) {
    const std::string codec = !settings.codec.empty() ? settings.codec
                              : ext == ".webm"        ? "libvpx-vp9"
                              : ext == ".avi"         ? "mpeg4"
                                                      : "libx264";
    std::vector<std::string> args{"-c:v", codec};
    const bool x26x = codec == "libx264" || codec == "libx265";
    if (x26x || !settings.preset.empty()) {
        args.insert(args.end(), {"-preset", settings.preset.empty() ? "medium" : settings.preset});
    }
    if (codec == "mpeg4" && settings.crf < 0) {
        args.insert(args.end(), {"-q:v", "2"});
    } else if (codec.rfind("libvpx", 0) == 0) {
        args.insert(args.end(),
                    {"-crf", std::to_string(settings.crf < 0 ? 24 : settings.crf), "-b:v", "0"});
    } else if (x26x || settings.crf >= 0) {
        args.insert(args.end(), {"-crf", std::to_string(settings.crf < 0 ? 16 : settings.crf)});
    }
    if (ext == ".mp4" || ext == ".m4v" || ext == ".mov") {
        args.insert(args.end(), {"-movflags", "+faststart"});
    }
    return args;
}

// ffmpeg's "[mov,mp4,m4a @ 0x55d0c8] " says which part of it spoke; users need the rest.
std::string withoutContext(std::string line) {
    while (line.rfind('[', 0) == 0 && line.find("] ") != std::string::npos) {
        line.erase(0, line.find("] ") + 2);
    }
    return line;
}

}  // namespace

std::string VideoReader::decoderReport() const {
    return withoutContext(ffmpeg_->firstErrorLine());
}

VideoTools VideoTools::find() {
    VideoTools tools{ChildProcess::findProgram("ffmpeg"), ChildProcess::findProgram("ffprobe")};
    if (tools.ffmpeg.empty() || tools.ffprobe.empty()) {
        throw CliError(
            "videos need the ffmpeg and ffprobe programs, which were not found on PATH "
            "(Debian: apt-get install ffmpeg)");
    }
    return tools;
}

VideoInfo videoInfoFromProbe(const std::string& text, const std::string& path) {
    VideoInfo info;
    double duration = 0;
    bool video = false;
    for (Fields& s : probeSections(text)) {
        if (s["section"] == "[FORMAT]") duration = rateOf(s["duration"]);
        if (s["codec_type"] == "audio") info.audioCodecs.push_back(s["codec_name"]);
        if (s["codec_type"] != "video" || video) continue;
        video = true;
        const long width = toLong(s["width"]), height = toLong(s["height"]);
        if (width > 0 && height > 0) checkFrameSize(path, width, height);
        info.width = static_cast<int>(width);
        info.height = static_cast<int>(height);
        info.frameRate = s["r_frame_rate"];
        info.frameCount = toLong(s["nb_frames"]);
        info.frameCountKnown = info.frameCount > 0;
        info.colour = videoColour(
            {s["color_space"], s["color_range"], s["color_primaries"], s["color_transfer"]},
            s["pix_fmt"], info.width, info.height);
    }
    const double rate = rateOf(info.frameRate);
    if (!video || info.width <= 0 || info.height <= 0 || !(rate > 0) || !std::isfinite(rate)) {
        throw CliError("ffmpeg cannot decode " + path + ": it holds no video stream");
    }
    if (info.frameCount <= 0) {
        // A duration of 1e300 seconds must not overflow the count.
        const double estimate = duration * rate + 0.5;
        info.frameCount =
            estimate > 0 && estimate < kMaxEstimatedFrames ? static_cast<long>(estimate) : 0;
    }
    return info;
}

VideoInfo probeVideo(const VideoTools& tools, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw CliError(path + ": no such file");
    ChildProcess probe({tools.ffprobe, "-v", "error", "-show_entries",
                        "stream=codec_type,codec_name,width,height,r_frame_rate,nb_frames,pix_fmt,"
                        "color_range,color_space,color_transfer,color_primaries:format=duration",
                        "-of", "default", path},
                       ChildProcess::kStdout);
    const std::string text = probe.readAll();
    throwIfInterrupted();
    if (probe.wait() != 0) {
        const std::string why = withoutContext(probe.firstErrorLine());
        throw CliError("ffmpeg cannot decode " + path + (why.empty() ? "" : ": " + why));
    }
    return videoInfoFromProbe(text, path);
}

VideoReader::VideoReader(const VideoTools& tools, const std::string& path, const VideoInfo& info)
    : path_(path), info_(info) {
    ffmpeg_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{tools.ffmpeg, "-nostdin", "-v", "error", "-noautorotate", "-i",
                                 path, "-map", "0:v:0", "-fps_mode", "passthrough", "-vf",
                                 decodingFilter(info.colour), "-f", "rawvideo", "-pix_fmt", "bgra",
                                 "-"},
        ChildProcess::kStdout);
}

bool VideoReader::next(cv::Mat& frame) {
    frame.create(info_.height, info_.width, CV_8UC4);
    const std::size_t bytes = frame.total() * frame.elemSize();
    const std::size_t got = ffmpeg_->read(frame.data, bytes);
    throwIfInterrupted();
    if (got == bytes) return ++frames_, true;
    const bool failed = ffmpeg_->wait() != 0 || got != 0;
    const std::string why = decoderReport(), because = why.empty() ? "" : " (" + why + ")";
    // A stream that stops early leaves fewer frames than the container counts.
    if (info_.frameCountKnown && frames_ < info_.frameCount) {
        throw CliError(path_ + " is damaged or cut short: ffmpeg decoded " +
                       std::to_string(frames_) + " of its " + std::to_string(info_.frameCount) +
                       " frames" + because);
    }
    if (failed || frames_ == 0) {
        throw CliError("ffmpeg cannot decode " + path_ +
                       (failed ? because : ": it holds no frames"));
    }
    return false;
}

VideoWriter::VideoWriter(const VideoTools& tools, const std::string& path,
                         const std::string& shownAs, int width, int height, const VideoInfo& input,
                         const std::string& audioSource, const VideoSettings& settings)
    : shownAs_(shownAs) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args{tools.ffmpeg, "-v",       "error",      "-y",
                                  "-f",         "rawvideo", "-pix_fmt",   "bgra",
                                  "-s",         size,       "-framerate", input.frameRate,
                                  "-i",         "-"};
    const bool audio = !input.audioCodecs.empty();
    if (audio) args.insert(args.end(), {"-i", audioSource});
    args.insert(args.end(), {"-map", "0:v:0"});
    if (audio) args.insert(args.end(), {"-map", "1:a", "-c:a", "copy"});
    const std::string ext = extensionOf(path);
    for (std::size_t i = 0; i < input.audioCodecs.size(); ++i) {
        const AudioEncoder encoder = audioReencoding(input.audioCodecs[i], ext);
        if (encoder.encoder.empty()) continue;
        args.insert(args.end(), {"-c:a:" + std::to_string(i), encoder.encoder});
        audioNotes_.push_back("audio stream " + std::to_string(i + 1) + " (" +
                              input.audioCodecs[i] + ") cannot go into " + ext +
                              "; it is re-encoded as " + encoder.name);
    }
    for (const std::string& arg : encodingArguments(input.colour)) args.push_back(arg);
    for (const std::string& arg : encoderArguments(ext, settings)) args.push_back(arg);
    args.push_back(path);
    ffmpeg_ = std::make_unique<ChildProcess>(args, ChildProcess::kStdin);
}

void VideoWriter::write(const cv::Mat& frame) {
    const cv::Mat packed = frame.isContinuous() ? frame : frame.clone();
    if (!ffmpeg_->write(packed.data, packed.total() * packed.elemSize())) {
        throwIfInterrupted();
        failed();
    }
}

void VideoWriter::finish() {
    ffmpeg_->closeInput();
    if (ffmpeg_->wait() != 0) failed();
}

void VideoWriter::failed() {
    ffmpeg_->stop();
    const std::string why = withoutContext(ffmpeg_->firstErrorLine());
    throw CliError("ffmpeg cannot write " + shownAs_ + (why.empty() ? "" : ": " + why));
}

}  // namespace qlxhost::cli
