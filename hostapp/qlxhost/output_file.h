// An output written under a temporary name beside its final place and renamed
// at the end, so the final name never holds a half-written file. The
// temporary keeps the final extension: image and video writers choose their
// format by it.
#pragma once

#include <string>

namespace qlxhost::cli {

class OutputFile {
  public:
    // Fails with CliError when the folder of `finalPath` does not exist.
    explicit OutputFile(std::string finalPath);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // removes the temporary unless committed

    const std::string& temporaryPath() const { return temporary_; }
    const std::string& finalPath() const { return final_; }
    // Renames the temporary to the final name; CliError when that fails.
    void commit();

  private:
    std::string final_;
    std::string temporary_;
    bool committed_ = false;
};

}  // namespace qlxhost::cli
