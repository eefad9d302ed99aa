// The sub-commands of qlxhost. Each returns the exit status or raises CliError.
#pragma once

#include <string>
#include <vector>

#include "compare_view.h"
#include "effect_runner.h"
#include "image_file.h"
#include "video_file.h"

namespace qlxhost::cli {

struct CommonOptions {
    std::string pluginPath;  // empty: found beside the program
    bool verbose = false;    // echo the plugin's log lines
};

struct ListOptions {
    std::string lutFolder;  // empty: the bundled one
    bool json = false;
};

struct ApplyOptions {
    std::string lutFolder;
    std::string filter;   // name or GUID
    std::string lutFile;  // or a LUT file through the custom-LUT filter
    RenderSettings render;
    CompareMode compare = CompareMode::None;
    std::vector<std::string> paths;  // the inputs, then OUT unless `output` is given
    std::string output;              // -o FILE|FOLDER|-
    bool overwrite = false;          // -y
    PictureSettings picture;
    VideoSettings video;
};

struct CheckOptions {
    std::vector<std::string> paths;
    bool json = false;
};

struct DemoOptions {
    std::string lutFolder;
    std::string outFolder = "demo-out";
    RenderSettings render;
};

int runList(const CommonOptions& common, const ListOptions& options);
int runApply(const CommonOptions& common, const ApplyOptions& options);
int runCheck(const CheckOptions& options);
int runDemo(const CommonOptions& common, const DemoOptions& options);

}  // namespace qlxhost::cli
