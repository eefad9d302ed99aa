// qlxhost apply: one filter, or any LUT file through the custom-LUT filter,
// applied to pictures or videos, optionally with a before/after version.
#include <fmt/core.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "apply_jobs.h"
#include "cli_error.h"
#include "commands.h"
#include "filter_catalogue.h"
#include "input_file.h"
#include "interrupt.h"
#include "lut_check.h"
#include "output_file.h"
#include "plugin_session.h"
#include "progress_bar.h"
#include "straight_alpha.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

void checkLutOption(const std::string& lutFile) {
    requireReadableFile(lutFile, qlx::platform::kMaxReadableFileBytes, "LUT file");
    const std::string ext = extensionOf(lutFile);
    if (ext != ".cube" && ext != ".3dl") {
        throw CliError(lutFile + ": not a LUT file (the plugin reads .cube and .3dl)", kExitUsage);
    }
}

const FilterEntry& chooseFilter(const FilterCatalogue& catalogue, const ApplyOptions& o) {
    if (!o.lutFile.empty()) {
        for (const FilterEntry& e : catalogue.entries()) {
            if (e.isCustomLut) return e;
        }
        throw CliError(std::string("the LUT folder offers no custom-LUT filter (GUID ") +
                       kCustomLutGuid + "), so --lut cannot be used with it");
    }
    const FilterEntry& filter = catalogue.find(o.filter);
    if (filter.isCustomLut) {
        throw CliError("the filter '" + filter.name + "' takes its LUT from --lut FILE",
                       kExitUsage);
    }
    if (filter.isRoot) {
        throw CliError("'" + filter.name +
                           "' is the LUT folder's own description, not a look; 'qlxhost list' "
                           "shows the looks",
                       kExitUsage);
    }
    return filter;
}

// Some renderers pass frames through unchanged when the LUT does not load, so
// the plugin's own loader decides before anything is rendered, and what
// `check` would warn about is said first.
void checkLutLoads(const std::string& lutFile) {
    const FileReport report = checkLutFile(lutFile);
    for (const Finding& f : report.findings) {
        const std::string where =
            f.line > 0 ? fmt::format("{}, line {}", lutFile, f.line) : lutFile;
        if (f.severity == Finding::Error) {
            throw CliError(
                fmt::format("the LUT file {} does not load ({}: {}); 'qlxhost check "
                            "{}' explains more",
                            lutFile, where, f.text, lutFile));
        }
        fmt::print(stderr, "warning: {}: {}\n", where, f.text);
    }
}

void applyToPicture(EffectRunner& runner, const ApplyJob& job, const ApplyOptions& o) {
    const Picture picture = readPicture(job.input);
    const bool toStream = job.output == kStandardStream;
    std::optional<OutputFile> output, compare;
    if (!toStream) output.emplace(job.output);
    if (o.compare != CompareMode::None) compare.emplace(comparePath(job.output));
    cv::Mat rendered;
    renderStraightAlpha(runner, picture.bgra, rendered);
    throwIfInterrupted();
    writePicture(toStream ? job.output : output->temporaryPath(), rendered, picture, o.picture,
                 job.output);
    if (compare) {
        writePicture(compare->temporaryPath(), compareView(picture.bgra, rendered, o.compare),
                     picture, o.picture, compare->finalPath());
    }
    throwIfInterrupted();
    if (toStream) return;
    output->commit();
    fmt::print("wrote {} ({}x{})\n", job.output, rendered.cols, rendered.rows);
    if (compare) {
        compare->commit();
        fmt::print("wrote {} (before/after)\n", compare->finalPath());
    }
}

void applyToVideo(EffectRunner& runner, const ApplyJob& job, const ApplyOptions& o) {
    const VideoTools tools = VideoTools::find();
    const VideoInfo info = probeVideo(tools, job.input);
    OutputFile output(job.output);
    std::optional<OutputFile> compare;
    if (o.compare != CompareMode::None) compare.emplace(comparePath(job.output));

    VideoReader reader(tools, job.input, info);
    VideoWriter writer(tools, output.temporaryPath(), job.output, info.width, info.height, info,
                       job.input, o.video);
    for (const std::string& note : writer.audioNotes()) fmt::print(stderr, "note: {}\n", note);
    std::optional<VideoWriter> compareWriter;
    if (compare) {
        const cv::Size size = compareSize({info.width, info.height}, o.compare);
        compareWriter.emplace(tools, compare->temporaryPath(), compare->finalPath(), size.width,
                              size.height, info, job.input, o.video);
    }
    ProgressBar progress("frames", info.frameCount);
    cv::Mat frame, rendered;
    long frames = 0;
    while (reader.next(frame)) {
        runner.render(frame, rendered);
        writer.write(rendered);
        if (compareWriter) compareWriter->write(compareView(frame, rendered, o.compare));
        progress.update(++frames);
        throwIfInterrupted();
    }
    progress.finish();
    if (const std::string report = reader.decoderReport(); !report.empty()) {
        fmt::print(stderr, "warning: ffmpeg reported while decoding {}: {}\n", job.input, report);
    }
    writer.finish();
    if (compareWriter) compareWriter->finish();
    throwIfInterrupted();
    output.commit();
    fmt::print("wrote {} ({}x{}, {} frames{})\n", job.output, info.width, info.height, frames,
               info.audioCodecs.empty() ? "" : ", with audio");
    if (compare) {
        compare->commit();
        fmt::print("wrote {} (before/after)\n", compare->finalPath());
    }
}

}  // namespace

int runApply(const CommonOptions& common, const ApplyOptions& options) {
    ApplyOptions o = options;
    const std::vector<ApplyJob> jobs = planJobs({o.paths, o.output, o.overwrite, o.compare});
    if (!o.lutFile.empty()) {
        checkLutOption(o.lutFile);
        o.render.lutFile = fs::absolute(o.lutFile).lexically_normal().string();
    }
    PluginHost host = startPlugin(common, o.lutFolder, o.render.renderer);
    const FilterCatalogue catalogue(*host.session);
    const FilterEntry& filter = chooseFilter(catalogue, o);
    const std::string lutFile = o.lutFile.empty() ? filter.lutFile : o.lutFile;
    if (!lutFile.empty()) checkLutLoads(lutFile);
    EffectRunner runner(*host.session, filter, o.render, host.openCL.get());
    for (const ApplyJob& job : jobs) {
        if (job.kind == MediaKind::Image) {
            applyToPicture(runner, job, o);
        } else {
            applyToVideo(runner, job, o);
        }
    }
    if (runner.framesWithoutSkinProtection() > 0) {
        fmt::print(stderr,
                   "warning: skin segmentation failed on {} frame(s); they were rendered without "
                   "skin protection\n",
                   runner.framesWithoutSkinProtection());
    }
    return kExitOk;
}

}  // namespace qlxhost::cli
