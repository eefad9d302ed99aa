// The folder that relative names inside a description file are joined to.
#pragma once

#include <string>

// The path up to and including its last '/' or '\'; empty when it has neither.
// Names are later appended by plain concatenation, without normalisation.
std::string descriptionFolder(const std::string& path);
