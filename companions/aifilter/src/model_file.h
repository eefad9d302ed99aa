// Where the skin model file is found, and reading it whole.
#pragma once

#include <string>
#include <vector>

namespace qlx::aifilter {

// File name of the learned skin model (ONNX).
constexpr char kSkinModelFileName[] = "qlxSkinSegmenter.onnx";

// `resourceFolder`/qlxSkinSegmenter.onnx when that file exists, else the file of that name in
// the folder this library was loaded from (where the build and the installation put it).
std::string skinModelPath(const std::string& resourceFolder);

// The bytes of `path`, or false with `error` saying why not (missing, unreadable, empty, or
// larger than any model this library ships).
bool readModelFile(const std::string& path, std::vector<char>& bytes, std::string& error);

}  // namespace qlx::aifilter
