// The LUT tools of qlxhost (probe, convert, ...): their command lines and how
// each parsed one is run. Kept apart from main.cpp, which only registers them.
#pragma once

#include <CLI/CLI.hpp>
#include <vector>

#include "hald_image.h"
#include "look_folder.h"
#include "lut_convert.h"
#include "lut_probe.h"

namespace qlxhost::cli {

class LutToolCommands {
  public:
    explicit LutToolCommands(CLI::App& app);
    const std::vector<CLI::App*>& commands() const { return commands_; }
    // The parsed tool's exit status; -1 when none of them was on the command line.
    int runParsed() const;

  private:
    std::vector<CLI::App*> commands_;
    ProbeOptions probe_;
    ConvertOptions convert_;
    HaldOptions hald_;
    LookFolderOptions look_;
};

}  // namespace qlxhost::cli
