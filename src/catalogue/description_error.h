// Why a description file was rejected. Raised inside the readers and caught at
// their boundary, so a bad file costs only its own description.
#pragma once

#include <stdexcept>
#include <string>

class DescriptionError : public std::runtime_error {
  public:
    explicit DescriptionError(const std::string& what) : std::runtime_error(what) {}
};
