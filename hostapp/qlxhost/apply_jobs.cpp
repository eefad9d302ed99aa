#include "apply_jobs.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <system_error>

#include "cli_error.h"
#include "frame_limits.h"
#include "image_file.h"
#include "input_file.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

bool namesFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec) || path.back() == '/' || path.back() == '\\';
}

MediaKind inputKind(const std::string& input) {
    if (input == kStandardStream) return MediaKind::Image;
    std::error_code ec;
    if (fs::is_directory(input, ec)) {
        throw CliError(input + ": a folder; give the pictures or videos in it", kExitUsage);
    }
    const MediaKind kind = mediaKind(input);
    // Only regular files: ffprobe and the picture reader would wait on a FIFO.
    const bool picture = kind == MediaKind::Image;
    requireReadableFile(input, picture ? kMaxPictureFileBytes : UINT64_MAX,
                        picture                    ? "picture"
                        : kind == MediaKind::Video ? "video"
                                                   : "file");
    if (kind == MediaKind::Unsupported) {
        throw CliError(input + ": unsupported file type (" + supportedExtensions() + ")",
                       kExitUsage);
    }
    return kind;
}

void checkOutput(const ApplyJob& job, bool overwrite) {
    if (job.output == kStandardStream) {
        if (job.kind != MediaKind::Image) {
            throw CliError("'-' stands for pictures only; give the video output a file name",
                           kExitUsage);
        }
        return;
    }
    if (mediaKind(job.output) != job.kind) {
        throw CliError(job.output + ": the output must be " +
                           (job.kind == MediaKind::Image ? "a picture" : "a video") +
                           " like the input, or a folder (" + supportedExtensions() + ")",
                       kExitUsage);
    }
    std::error_code ec;
    if (job.input != kStandardStream && fs::equivalent(job.input, job.output, ec)) {
        throw CliError("the output " + job.output + " is the input; choose another name");
    }
    if (!overwrite && fs::exists(job.output, ec)) {
        throw CliError(job.output + " already exists; add -y to replace it");
    }
}

}  // namespace

std::vector<ApplyJob> planJobs(const JobRequest& request) {
    std::vector<std::string> inputs = request.paths;
    std::string output = request.output;
    if (output.empty()) {
        if (inputs.size() < 2) throw CliError("OUT is required (or -o FILE|FOLDER)", kExitUsage);
        output = inputs.back();
        inputs.pop_back();
    }
    const bool intoFolder = output != kStandardStream && namesFolder(output);
    std::error_code ec;
    if (intoFolder && !fs::is_directory(output, ec)) {
        throw CliError("the output folder " + output + " does not exist");
    }
    if (!intoFolder && inputs.size() > 1) {
        throw CliError(output + " is not a folder: several inputs need an output folder",
                       kExitUsage);
    }
    std::vector<ApplyJob> jobs;
    std::set<std::string> taken;
    for (const std::string& input : inputs) {
        ApplyJob job{input, output, inputKind(input)};
        if (intoFolder) {
            if (input == kStandardStream) {
                throw CliError("standard input has no name to write into " + output, kExitUsage);
            }
            job.output = (fs::path(output) / fs::path(input).filename()).string();
        }
        checkOutput(job, request.overwrite);
        if (request.compare != CompareMode::None) {
            if (job.output == kStandardStream) {
                throw CliError("--compare needs an output file, not '-'", kExitUsage);
            }
            checkOutput({input, comparePath(job.output), job.kind}, request.overwrite);
        }
        if (!taken.insert(fs::absolute(job.output).lexically_normal().string()).second &&
            job.output != kStandardStream) {
            throw CliError("two inputs would both be written to " + job.output, kExitUsage);
        }
        jobs.push_back(job);
    }
    return jobs;
}

}  // namespace qlxhost::cli
