// qlxhost apply: one filter, or any LUT file through the custom-LUT filter,
// applied to a picture or a video, optionally with a before/after version.
#include <fmt/core.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "cli_error.h"
#include "commands.h"
#include "filter_catalogue.h"
#include "image_file.h"
#include "interrupt.h"
#include "media_kind.h"
#include "output_file.h"
#include "plugin_session.h"
#include "progress_bar.h"
#include "video_file.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {
namespace {

void checkPaths(const ApplyOptions& o) {
    std::error_code ec;
    const MediaKind in = mediaKind(o.input), out = mediaKind(o.output);
    if (!fs::exists(o.input, ec)) throw CliError(o.input + ": no such file");
    if (in == MediaKind::Unsupported) {
        throw CliError(o.input + ": unsupported file type (" + supportedExtensions() + ")");
    }
    if (out != in) {
        throw CliError(o.output + ": the output must be " +
                       (in == MediaKind::Image ? "a picture" : "a video") + " like the input (" +
                       supportedExtensions() + ")");
    }
    if (fs::exists(o.output, ec) && fs::equivalent(o.input, o.output, ec)) {
        throw CliError("the output " + o.output + " is the input; choose another name");
    }
    if (!o.lutFile.empty()) {
        const std::string ext = extensionOf(o.lutFile);
        if (!fs::is_regular_file(o.lutFile, ec)) throw CliError(o.lutFile + ": no such LUT file");
        if (ext != ".cube" && ext != ".3dl") {
            throw CliError(o.lutFile + ": not a LUT file (the plugin reads .cube and .3dl)");
        }
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
    return filter;
}

void applyToPicture(EffectRunner& runner, const ApplyOptions& o) {
    const Picture picture = readPicture(o.input);
    OutputFile output(o.output);
    std::optional<OutputFile> compare;
    if (o.compare != CompareMode::None) compare.emplace(comparePath(o.output));
    cv::Mat rendered;
    runner.render(picture.bgra, rendered);
    throwIfInterrupted();
    writePicture(output.temporaryPath(), rendered, picture, o.output);
    if (compare) {
        writePicture(compare->temporaryPath(), compareView(picture.bgra, rendered, o.compare),
                     picture, compare->finalPath());
    }
    throwIfInterrupted();
    output.commit();
    fmt::print("wrote {} ({}x{})\n", o.output, rendered.cols, rendered.rows);
    if (compare) {
        compare->commit();
        fmt::print("wrote {} (before/after)\n", compare->finalPath());
    }
}

void applyToVideo(EffectRunner& runner, const ApplyOptions& o) {
    const VideoTools tools = VideoTools::find();
    const VideoInfo info = probeVideo(tools, o.input);
    OutputFile output(o.output);
    std::optional<OutputFile> compare;
    if (o.compare != CompareMode::None) compare.emplace(comparePath(o.output));

    VideoReader reader(tools, o.input, info);
    VideoWriter writer(tools, output.temporaryPath(), o.output, info.width, info.height, info,
                       o.input);
    std::optional<VideoWriter> compareWriter;
    if (compare) {
        const cv::Size size = compareSize({info.width, info.height}, o.compare);
        compareWriter.emplace(tools, compare->temporaryPath(), compare->finalPath(), size.width,
                              size.height, info, o.input);
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
    if (frames == 0) throw CliError("ffmpeg cannot decode " + o.input + ": it holds no frames");
    writer.finish();
    if (compareWriter) compareWriter->finish();
    throwIfInterrupted();
    output.commit();
    fmt::print("wrote {} ({}x{}, {} frames{})\n", o.output, info.width, info.height, frames,
               info.hasAudio ? ", audio copied" : "");
    if (compare) {
        compare->commit();
        fmt::print("wrote {} (before/after)\n", compare->finalPath());
    }
}

}  // namespace

int runApply(const CommonOptions& common, const ApplyOptions& options) {
    ApplyOptions o = options;
    checkPaths(o);
    if (!o.lutFile.empty()) o.render.lutFile = fs::absolute(o.lutFile).lexically_normal().string();
    PluginHost host = startPlugin(common, o.lutFolder, o.render.renderer);
    const FilterCatalogue catalogue(*host.session);
    EffectRunner runner(*host.session, chooseFilter(catalogue, o), o.render, host.openCL.get());
    if (mediaKind(o.input) == MediaKind::Image) {
        applyToPicture(runner, o);
    } else {
        applyToVideo(runner, o);
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
