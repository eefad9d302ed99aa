#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace qlxhost::cli {
namespace {

std::string clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::string unit, long total)
    : unit_(std::move(unit)), total_(total), enabled_(isatty(STDERR_FILENO) == 1) {
    start_ = lastDraw_ = std::chrono::steady_clock::now();
}

ProgressBar::~ProgressBar() {
    finish();
}

std::string ProgressBar::render(long done, long total, double seconds, const std::string& unit,
                                int width) {
    const double rate = seconds > 0 ? done / seconds : 0.0;
    const std::string rateUnit = unit == "frames" ? "fps" : unit + "/s";
    char counts[128];
    std::snprintf(counts, sizeof counts, " %ld%s%s %s  %.1f %s", done, total > 0 ? "/" : "",
                  total > 0 ? std::to_string(total).c_str() : "", unit.c_str(), rate,
                  rateUnit.c_str());
    std::string line;
    if (total > 0) {
        const long clamped = std::min(done, total);
        const int filled = static_cast<int>(width * clamped / total);
        line = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
    }
    line += counts;
    if (total > 0 && rate > 0 && done < total)
        line += "  " + clock((total - done) / rate) + " left";
    return line;
}

void ProgressBar::update(long done) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastDraw_ < std::chrono::milliseconds(100) && done != total_) return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r%s\033[K", render(done, total_, seconds, unit_, 30).c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressBar::finish() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace qlxhost::cli
