// A folder that exists for one test and is removed with everything in it.
#pragma once

#include <string>

namespace qlxtest {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes `content` to path()/relative, creating folders on the way.
    std::string write(const std::string& relative, const std::string& content) const;
    std::string mkdir(const std::string& relative) const;

  private:
    std::string path_;
};

std::string readFile(const std::string& path);

}  // namespace qlxtest
