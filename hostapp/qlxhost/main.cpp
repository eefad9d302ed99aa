// qlxhost: the reference host of qlxLUTPlugin.qlx as a command-line program.
// It loads the plugin exactly as a video editor does and puts listing,
// applying, checking and a demo of the looks one command away.
#include <fmt/core.h>

#include <CLI/CLI.hpp>
#include <cctype>
#include <map>
#include <opencv2/core/utils/logger.hpp>

#include "cli_error.h"
#include "commands.h"
#include "interrupt.h"
#include "lut_tool_commands.h"

namespace qlxhost::cli {
namespace {

const std::map<std::string, Renderer> kRenderers{
    {"cpu", Renderer::Cpu}, {"opencl", Renderer::OpenCL}, {"opengl", Renderer::OpenGL}};
const std::map<std::string, CompareMode> kCompareModes{{"side", CompareMode::Side},
                                                       {"split", CompareMode::Split}};

// Maps a choice by name (any letter case) to its value, and names a wrong
// choice in words instead of CLI11's mapping table.
template <class Map>
CLI::Validator oneOf(const Map& choices, const std::string& what) {
    return CLI::Validator(
        [choices, what](std::string& value) -> std::string {
            std::string lowered = value, names;
            for (char& c : lowered)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (const auto& [name, mapped] : choices) {
                if (name == lowered) {
                    value = std::to_string(static_cast<int>(mapped));
                    return {};
                }
                names += (names.empty() ? "" : ", ") + name;
            }
            return "unknown " + what + " '" + value + "' (choose " + names + ")";
        },
        "");
}

// CLI11 would say "Could not convert" about 50.5; checked as text first.
const CLI::Validator kWholeNumber(
    [](std::string& value) -> std::string {
        const std::size_t start = !value.empty() && value[0] == '-' ? 1 : 0;
        if (value.size() > start && value.find_first_not_of("0123456789", start) == value.npos) {
            return {};
        }
        return "must be a whole number, not '" + value + "'";
    },
    "");

void addLutFolder(CLI::App& command, std::string& folder) {
    command
        .add_option("--lut-folder", folder,
                    "LUT folder to start the plugin on (default: the bundled one)")
        ->type_name("DIR");
}

void addRenderSettings(CLI::App& command, RenderSettings& render) {
    command.add_option("-a,--alpha", render.alpha, "strength of the look in percent")
        ->type_name("0..100")
        ->check(kWholeNumber)
        ->check(CLI::Range(0, 100).description(""))
        ->capture_default_str();
    command
        .add_option("-s,--skin-protect", render.skinProtect,
                    "spare skin regions by this percent (0: off)")
        ->type_name("0..100")
        ->check(kWholeNumber)
        ->check(CLI::Range(0, 100).description(""))
        ->capture_default_str();
    command.add_option("-r,--renderer", render.renderer, "renderer the effect is created with")
        ->type_name("cpu|opencl|opengl")
        ->transform(oneOf(kRenderers, "renderer"))
        ->default_str("cpu");
}

// CLI11 reports one parse error in a few lines; users get one.
std::string oneLine(const CLI::App* app, const CLI::Error& e) {
    std::string where = app->get_name();
    for (const CLI::App* parent = app->get_parent(); parent; parent = parent->get_parent()) {
        where = parent->get_name() + " " + where;
    }
    return fmt::format("qlxhost: {}; see '{} --help'\n", e.what(), where);
}

// The first word that is neither an option nor the value of --plugin.
std::string unknownCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plugin") {
            ++i;
        } else if (!arg.empty() && arg[0] != '-') {
            return arg;
        }
    }
    return {};
}

}  // namespace

int run(int argc, char** argv) {
    CommonOptions common;
    ListOptions list;
    ApplyOptions apply;
    CheckOptions check;
    DemoOptions demo;

    CLI::App app{
        "qlxhost loads the LUT effect plugin qlxLUTPlugin.qlx the way a video editor does and\n"
        "lists its filters, applies them to pictures and videos, checks LUT folders and files,\n"
        "and shows every bundled look on a test picture.",
        "qlxhost"};
    app.set_version_flag("--version", "qlxhost 1.0.0");
    app.require_subcommand(1);
    app.add_option("--plugin", common.pluginPath,
                   "the plugin to load (default: qlxLUTPlugin.qlx beside qlxhost, or in "
                   "../lib/qlxLUTPlugin when installed)")
        ->type_name("FILE");
    app.add_flag("-v,--verbose", common.verbose, "print the plugin's log lines on stderr");
    app.footer(
        "Exit status: 0 done; 1 failed or, for check, problems found; 2 bad command line;\n"
        "130 stopped by Ctrl-C (no output is left behind).\n"
        "Run 'qlxhost COMMAND --help' for the options of each command.");

    CLI::App* listCmd = app.add_subcommand(
        "list",
        "List every filter of a LUT folder: name, GUID, description files, LUT file and "
        "whether the plugin can load it");
    addLutFolder(*listCmd, list.lutFolder);
    listCmd->add_flag("--json", list.json, "print the filters as JSON");

    CLI::App* applyCmd = app.add_subcommand(
        "apply", "Apply a filter, or any .cube/.3dl file, to a picture or a video");
    auto* filterOpt = applyCmd
                          ->add_option("-f,--filter", apply.filter,
                                       "the filter to apply, by name or GUID ('qlxhost list')")
                          ->type_name("NAME|GUID");
    auto* lutOpt = applyCmd
                       ->add_option("-l,--lut", apply.lutFile,
                                    "apply this LUT file through the plugin's custom-LUT filter")
                       ->type_name("FILE.cube|FILE.3dl");
    filterOpt->excludes(lutOpt);
    addRenderSettings(*applyCmd, apply.render);
    applyCmd
        ->add_option("--compare", apply.compare,
                     "also write a before/after version as OUT's name + .compare")
        ->type_name("side|split")
        ->transform(oneOf(kCompareModes, "comparison"));
    addLutFolder(*applyCmd, apply.lutFolder);
    applyCmd
        ->add_option("FILES", apply.paths,
                     "IN... OUT: pictures (.png .jpg .jpeg .tif .tiff, 8 or 16 bits, '-' for "
                     "standard input) or videos (.mp4 .mov .m4v .mkv .avi .webm), then the output: "
                     "a file of the same kind ('-' for standard output) or a folder")
        ->type_name("IN... OUT")
        ->required();
    applyCmd
        ->add_option("-o,--output", apply.output,
                     "write here instead of the last FILE: a file, '-', or a folder for several "
                     "inputs (each keeps its name)")
        ->type_name("FILE|DIR");
    applyCmd->add_flag("-y,--overwrite", apply.overwrite, "replace outputs that exist");
    applyCmd->add_option("-q,--quality", apply.picture.jpegQuality, "JPEG quality")
        ->type_name("1..100")
        ->check(kWholeNumber)
        ->check(CLI::Range(1, 100).description(""))
        ->capture_default_str();
    applyCmd
        ->add_option("--video-codec", apply.video.codec,
                     "ffmpeg's video encoder (default: libx264; libvpx-vp9 for .webm, mpeg4 for "
                     ".avi)")
        ->type_name("NAME");
    applyCmd
        ->add_option("--crf", apply.video.crf,
                     "the encoder's constant quality (default: 16 for libx264, 24 for VP9)")
        ->type_name("N")
        ->check(kWholeNumber)
        ->check(CLI::Range(0, 63).description(""));
    applyCmd->add_option("--preset", apply.video.preset, "the encoder's preset (default: medium)")
        ->type_name("NAME");
    applyCmd->footer(
        "Pictures keep their bit depth, alpha (straight, unmultiplied colour), ICC profile, EXIF\n"
        "and XMP as far as the output's format allows; the plugin renders 8 bits per channel.\n"
        "Videos are decoded and encoded by the ffmpeg program (on PATH) with the input's colour\n"
        "matrix and range, and tagged as the input; audio is copied, or re-encoded when the\n"
        "container cannot hold it. The LUT is loaded and checked before rendering: check's\n"
        "warnings are printed, and a LUT that does not load stops the work.\n"
        "Exit status: 0 written; 1 failed (nothing is left under OUT); 2 bad command line;\n"
        "130 stopped by Ctrl-C.\n"
        "Examples:\n"
        "  qlxhost apply --filter \"Teal and Orange\" in.png out.png\n"
        "  qlxhost apply --lut grade.cube --alpha 60 --compare split in.mp4 out.mp4\n"
        "  qlxhost apply -f Sepia -y *.jpg -o graded/\n"
        "  cat in.png | qlxhost apply -f Sepia - - > out.png");

    CLI::App* checkCmd =
        app.add_subcommand("check",
                           "Check LUT folders, description files (.conf, filter.xml) and LUT files "
                           "(.cube, .3dl) and explain every problem");
    checkCmd->add_option("PATH", check.paths, "folders or files to check")
        ->type_name("PATH...")
        ->required();
    checkCmd->add_flag("--json", check.json, "print the findings as JSON");
    checkCmd->footer(
        "A folder is checked as the plugin reads a LUT folder: every .conf and filter.xml below\n"
        "it, the folder's own .conf and the program files it names, GUIDs used twice, and every\n"
        "LUT file a filter.xml names. A LUT file is loaded by the plugin's own loader; when it\n"
        "fails, the line at fault is named with what is wrong. Warnings point at files that load\n"
        "but will not look as meant (1D tables, domains other than 0..1, 10- or 16-bit .3dl\n"
        "output); they do not change the exit status.\n"
        "Exit status: 0 when nothing failed, 1 when anything failed.");

    CLI::App* demoCmd = app.add_subcommand(
        "demo", "Render every bundled look on a built-in test picture into one contact sheet");
    demoCmd->add_option("-o,--out", demo.outFolder, "folder for contact-sheet.png")
        ->type_name("DIR")
        ->capture_default_str();
    addRenderSettings(*demoCmd, demo.render);
    addLutFolder(*demoCmd, demo.lutFolder);
    demoCmd->footer(
        "The test picture is drawn by qlxhost itself: a 24-patch colour chart, skin tones from\n"
        "very light to very dark, and grey, red, green, blue and hue ramps. The contact sheet\n"
        "shows it and every look of the LUT folder, each tile labelled with the look's name;\n"
        "its path is printed when done. Exit status 1 when a look could not be rendered.");
    listCmd->footer(
        "The plugin is started on the folder as an editor starts it; every folder below it that\n"
        "holds a filter.xml is registered too, which is how a look reaches its LUT file.\n"
        "Exit status: 0 listed; 1 the plugin does not start on the folder.");

    const LutToolCommands lutTools(app);
    std::vector<CLI::App*> allCommands{listCmd, applyCmd, checkCmd, demoCmd};
    allCommands.insert(allCommands.end(), lutTools.commands().begin(), lutTools.commands().end());
    for (CLI::App* command : allCommands) {
        command->fallthrough();
        command->footer(
            command->get_footer() +
            "\nThe options of qlxhost itself (--plugin FILE, --verbose) may also follow "
            "the command.");
    }

    try {
        app.parse(argc, argv);
        if (applyCmd->parsed() && apply.filter.empty() && apply.lutFile.empty()) {
            throw CLI::RequiredError("--filter or --lut");
        }
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        const CLI::App* where = &app;
        for (const CLI::App* command : allCommands) {
            if (command->parsed()) where = command;
        }
        const std::string unknown = where == &app ? unknownCommand(argc, argv) : std::string();
        if (!unknown.empty()) {
            std::fprintf(stderr,
                         "qlxhost: unknown command '%s'; the commands are list, apply, check, "
                         "demo, probe, convert, hald and look-folder\n",
                         unknown.c_str());
        } else {
            std::fputs(oneLine(where, e).c_str(), stderr);
        }
        return kExitUsage;
    }

    installInterruptHandler();
    if (listCmd->parsed()) return runList(common, list);
    if (applyCmd->parsed()) return runApply(common, apply);
    if (checkCmd->parsed()) return runCheck(check);
    if (const int status = lutTools.runParsed(); status >= 0) return status;
    return runDemo(common, demo);
}

}  // namespace qlxhost::cli

int main(int argc, char** argv) {
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    try {
        return qlxhost::cli::run(argc, argv);
    } catch (const qlxhost::cli::CliError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qlxhost: %s\n", e.what());
        return e.exitCode();
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qlxhost: unexpected failure: %s\n", e.what());
        return qlxhost::cli::kExitFailed;
    }
}
