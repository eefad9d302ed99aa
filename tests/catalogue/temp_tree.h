// A folder tree that exists for one test and is removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempTree {
  public:
    TempTree() {
        static int serial = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("qlx-catalogue-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    std::string path() const { return root_.string(); }
    std::string path(const std::string& relative) const { return (root_ / relative).string(); }

    // Writes `content` to `relative`, making the folders on the way.
    std::string file(const std::string& relative, const std::string& content) const {
        const std::filesystem::path full = root_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full.string();
    }
    std::string folder(const std::string& relative) const {
        std::filesystem::create_directories(root_ / relative);
        return (root_ / relative).string();
    }
    // A ".conf" description with this GUID and name.
    std::string conf(const std::string& relative, const std::string& guid,
                     const std::string& name = "") const {
        return file(relative, "{\"GUID\":\"" + guid + "\",\"NAME\":\"" + name + "\"}");
    }

  private:
    std::filesystem::path root_;
};
