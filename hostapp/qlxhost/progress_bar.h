// A one-line progress display on stderr: items done, items per second and the
// time left. Shown only when stderr is a terminal, so logs and pipes stay clean.
#pragma once

#include <chrono>
#include <string>

namespace qlxhost::cli {

class ProgressBar {
  public:
    // `total` 0: unknown, shown without a bar or time left.
    ProgressBar(std::string unit, long total);
    ~ProgressBar();  // clears the line
    void update(long done);
    void finish();

    // The text for one state of the work; exposed for its tests.
    static std::string render(long done, long total, double seconds, const std::string& unit,
                              int width);

  private:
    std::string unit_;
    long total_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_, lastDraw_;
};

}  // namespace qlxhost::cli
