#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace qlxtest {

TempDir::TempDir() {
    std::random_device random;
    fs::path candidate;
    do candidate = fs::temp_directory_path() / ("qlx-test-" + std::to_string(random()));
    while (!fs::create_directory(candidate));
    path_ = candidate.string();
}

TempDir::~TempDir() {
    std::error_code ignored;  // a test may have taken the owner's rights away
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& relative, const std::string& content) const {
    const fs::path full = fs::path(path_) / relative;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.string();
}

std::string TempDir::mkdir(const std::string& relative) const {
    fs::create_directories(fs::path(path_) / relative);
    return (fs::path(path_) / relative).string();
}

std::string readFile(const std::string& path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

}  // namespace qlxtest
