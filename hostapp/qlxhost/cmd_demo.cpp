// qlxhost demo: every bundled look rendered on the built-in test picture,
// gathered into one labelled contact sheet.
#include <fmt/core.h>

#include <filesystem>
#include <system_error>

#include "cli_error.h"
#include "commands.h"
#include "contact_sheet.h"
#include "filter_catalogue.h"
#include "image_file.h"
#include "interrupt.h"
#include "output_file.h"
#include "plugin_session.h"
#include "progress_bar.h"
#include "test_picture.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {

int runDemo(const CommonOptions& common, const DemoOptions& options) {
    std::error_code ec;
    fs::create_directories(options.outFolder, ec);
    if (!fs::is_directory(options.outFolder, ec)) {
        throw CliError("cannot create the folder " + options.outFolder);
    }
    PluginHost host = startPlugin(common, options.lutFolder, options.render.renderer);
    HostSession* session = host.session.get();
    const FilterCatalogue catalogue(*session);
    const std::vector<const FilterEntry*> looks = catalogue.looks();
    if (looks.empty())
        throw CliError("the LUT folder " + session->lutFolder() + " offers no looks");

    const cv::Mat original = makeTestPicture();
    std::vector<ContactTile> tiles{{"original", original}};
    std::vector<std::string> failed;
    ProgressBar progress("looks", static_cast<long>(looks.size()));
    for (const FilterEntry* look : looks) {
        try {
            EffectRunner runner(*session, *look, options.render, host.openCL.get());
            cv::Mat rendered;
            runner.render(original, rendered);
            tiles.push_back({look->name, rendered});
        } catch (const CliError& error) {
            failed.push_back(error.what());
        }
        progress.update(static_cast<long>(tiles.size() + failed.size() - 1));
        throwIfInterrupted();
    }
    progress.finish();
    for (const std::string& why : failed) fmt::print(stderr, "warning: {}\n", why);
    if (tiles.size() == 1) throw CliError("no look could be rendered");

    const std::string title = fmt::format(
        "qlxLUTPlugin: {} looks, {} renderer, alpha {}%, skin protection {}%", tiles.size() - 1,
        rendererName(options.render.renderer), options.render.alpha, options.render.skinProtect);
    const std::string path = (fs::path(options.outFolder) / "contact-sheet.png").string();
    OutputFile output(path);
    Picture like;
    writePicture(output.temporaryPath(), makeContactSheet(title, tiles), like, {}, path);
    output.commit();
    fmt::print("contact sheet: {} ({} looks)\n", fs::absolute(path).lexically_normal().string(),
               tiles.size() - 1);
    return failed.empty() ? kExitOk : kExitFailed;
}

}  // namespace qlxhost::cli
