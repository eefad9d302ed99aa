#include "output_file.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "cli_error.h"

namespace fs = std::filesystem;

namespace qlxhost::cli {

OutputFile::OutputFile(std::string finalPath) : final_(std::move(finalPath)) {
    const fs::path target(final_);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        throw CliError("cannot write " + final_ + ": the folder " + folder.string() +
                       " does not exist");
    }
    if (fs::is_directory(target, ec)) throw CliError("cannot write " + final_ + ": it is a folder");
    temporary_ = (folder / ("." + target.stem().string() + ".part-" + std::to_string(getpid()) +
                            target.extension().string()))
                     .string();
}

OutputFile::~OutputFile() {
    if (committed_) return;
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

void OutputFile::commit() {
    std::error_code ec;
    if (!fs::exists(temporary_, ec)) throw CliError("cannot write " + final_);
    fs::rename(temporary_, final_, ec);
    if (ec) throw CliError("cannot write " + final_ + ": " + ec.message());
    committed_ = true;
}

}  // namespace qlxhost::cli
