#include "video_file.h"

#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include "cli_error.h"
#include "interrupt.h"
#include "media_kind.h"

namespace qlxhost::cli {
namespace {

using Fields = std::map<std::string, std::string>;

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

std::vector<std::string> encoderArguments(const std::string& ext) {
    // yuv420p needs even sizes; a padded last column or row is black.
    std::vector<std::string> args{"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p"};
    if (ext == ".webm") {
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-crf", "24", "-b:v", "0"});
    } else if (ext == ".avi") {
        args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "2"});
    } else {
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "16"});
    }
    if (ext == ".mp4" || ext == ".m4v" || ext == ".mov") {
        args.insert(args.end(), {"-movflags", "+faststart"});
    }
    return args;
}

}  // namespace

VideoTools VideoTools::find() {
    VideoTools tools{ChildProcess::findProgram("ffmpeg"), ChildProcess::findProgram("ffprobe")};
    if (tools.ffmpeg.empty() || tools.ffprobe.empty()) {
        throw CliError(
            "videos need the ffmpeg and ffprobe programs, which were not found on PATH "
            "(Debian: apt-get install ffmpeg)");
    }
    return tools;
}

VideoInfo probeVideo(const VideoTools& tools, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw CliError(path + ": no such file");
    ChildProcess probe({tools.ffprobe, "-v", "error", "-show_entries",
                        "stream=codec_type,width,height,r_frame_rate,nb_frames:format=duration",
                        "-of", "default", path},
                       ChildProcess::kStdout);
    const std::string text = probe.readAll();
    throwIfInterrupted();
    if (probe.wait() != 0) {
        const std::string why = probe.lastErrorLine();
        throw CliError("ffmpeg cannot decode " + path + (why.empty() ? "" : ": " + why));
    }
    VideoInfo info;
    double duration = 0;
    bool video = false;
    for (Fields& s : probeSections(text)) {
        if (s["section"] == "[FORMAT]") duration = rateOf(s["duration"]);
        if (s["codec_type"] == "audio") info.hasAudio = true;
        if (s["codec_type"] != "video" || video) continue;
        video = true;
        info.width = static_cast<int>(toLong(s["width"]));
        info.height = static_cast<int>(toLong(s["height"]));
        info.frameRate = s["r_frame_rate"];
        info.frameCount = toLong(s["nb_frames"]);
    }
    if (!video || info.width <= 0 || info.height <= 0 || rateOf(info.frameRate) <= 0) {
        throw CliError("ffmpeg cannot decode " + path + ": it holds no video stream");
    }
    if (info.frameCount <= 0) {
        info.frameCount = static_cast<long>(duration * rateOf(info.frameRate) + 0.5);
    }
    return info;
}

VideoReader::VideoReader(const VideoTools& tools, const std::string& path, const VideoInfo& info)
    : path_(path), info_(info) {
    ffmpeg_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{tools.ffmpeg, "-nostdin", "-v", "error", "-noautorotate", "-i",
                                 path, "-map", "0:v:0", "-fps_mode", "passthrough", "-f",
                                 "rawvideo", "-pix_fmt", "bgra", "-"},
        ChildProcess::kStdout);
}

bool VideoReader::next(cv::Mat& frame) {
    frame.create(info_.height, info_.width, CV_8UC4);
    const std::size_t bytes = frame.total() * frame.elemSize();
    const std::size_t got = ffmpeg_->read(frame.data, bytes);
    throwIfInterrupted();
    if (got == bytes) return true;
    const int status = ffmpeg_->wait();
    if (got == 0 && status == 0) return false;
    const std::string why = ffmpeg_->lastErrorLine();
    throw CliError("ffmpeg cannot decode " + path_ +
                   (why.empty() ? " (the stream ends inside a frame)" : ": " + why));
}

VideoWriter::VideoWriter(const VideoTools& tools, const std::string& path,
                         const std::string& shownAs, int width, int height, const VideoInfo& input,
                         const std::string& audioSource)
    : shownAs_(shownAs) {
    std::vector<std::string> args{
        tools.ffmpeg, "-v",
        "error",      "-y",
        "-f",         "rawvideo",
        "-pix_fmt",   "bgra",
        "-s",         std::to_string(width) + "x" + std::to_string(height),
        "-framerate", input.frameRate,
        "-i",         "-"};
    if (input.hasAudio) args.insert(args.end(), {"-i", audioSource});
    args.insert(args.end(), {"-map", "0:v:0"});
    if (input.hasAudio) args.insert(args.end(), {"-map", "1:a", "-c:a", "copy"});
    for (const std::string& arg : encoderArguments(extensionOf(path))) args.push_back(arg);
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
    const std::string why = ffmpeg_->lastErrorLine();
    throw CliError("ffmpeg cannot write " + shownAs_ + (why.empty() ? "" : ": " + why));
}

}  // namespace qlxhost::cli
