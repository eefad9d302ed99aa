// Stress under load, through the host kit and the plugin's exports only.
// Render threads, each with its own custom-LUT effect on the CPU, OpenCL or
// OpenGL renderer in turn, render frames of varying size while strength, skin
// protection and LUT file change from frame to frame; churn threads create,
// prepare and release effects of every filter meanwhile; between rounds the
// host shuts the plugin down and starts it again. Every frame is compared with
// the frame one thread rendered from the same inputs before the rounds.
//
//   stress_effects [--rounds N] [--frames N] [--churn N] [--threads N]
//
// --frames is per render thread and round, --churn per churn thread (two) and
// round. Prints the frames, mismatches and failures, and resident memory after
// each round with its growth per 1,000 frames. Exit status 1 when any frame
// differs or fails.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "kit/host_session.h"
#include "kit/opencl_device.h"

namespace {

using qlxhost::Frame;
using qlxhost::HostedEffect;
using qlxhost::ParamAnswer;

constexpr char kCustomLutGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";
constexpr std::uint32_t kCpu = 0, kOpenCL = 1, kOpenGL = 2;
constexpr int kSizes[][2] = {{64, 48}, {97, 31}, {160, 90}};
constexpr int kAlphas[] = {0, 37, 100};
constexpr int kSkins[] = {0, 70};
constexpr const char* kLuts[] = {"warm/warm.cube", "cool/cool.3dl",
                                 "day_for_night/day_for_night.cube", "sepia/sepia.3dl"};
constexpr int kSizeCount = 3, kLutCount = 4;

struct Options {
    int rounds = 2, frames = 30, churn = 10, threads = 8;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--rounds")) o.rounds = value;
        if (!std::strcmp(argv[i], "--frames")) o.frames = value;
        if (!std::strcmp(argv[i], "--churn")) o.churn = value;
        if (!std::strcmp(argv[i], "--threads")) o.threads = value;
    }
    return o;
}

// Resident memory in KiB (Linux); 0 where it cannot be read.
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    return statm >> pages >> resident ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// What one frame is made from.
struct Inputs {
    std::uint32_t mode;
    int lut, size, alpha, skin;
    bool operator<(const Inputs& o) const {
        return std::tie(mode, lut, size, alpha, skin) <
               std::tie(o.mode, o.lut, o.size, o.alpha, o.skin);
    }
};

// Gradients with blocks of skin tones, so that skin protection has work.
std::unique_ptr<Frame> sourceFrame(int size) {
    const int w = kSizes[size][0], h = kSizes[size][1];
    auto frame = std::make_unique<Frame>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = frame->row(y) + 4 * x;
            const bool skin = (x / 16 + y / 16) % 2 == 0;
            p[0] = skin ? 120 + x % 20 : static_cast<std::uint8_t>(x * 255 / w);
            p[1] = skin ? 150 + y % 20 : static_cast<std::uint8_t>(y * 255 / h);
            p[2] = skin ? 210 : static_cast<std::uint8_t>((x * y) % 256);
            p[3] = 255;
        }
    return frame;
}

std::vector<std::uint8_t> bytesOf(const Frame& frame) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < frame.height(); ++y)
        bytes.insert(bytes.end(), frame.data() + y * frame.stride(),
                     frame.data() + y * frame.stride() + frame.width() * 4);
    return bytes;
}

class Stress {
  public:
    Stress(const Options& options, const std::string& lutFolder) : options_(options) {
        config_.lutFolder = lutFolder;
        // One load of the library starts once (a second StartupQLX answers 4),
        // so every start loads a fresh copy, as an editor reloading it does.
        config_.freshCopy = true;
        for (const char* lut : kLuts) lutFiles_.push_back(lutFolder + "/" + lut);
        for (int s = 0; s < kSizeCount; ++s) sources_.push_back(sourceFrame(s));
    }

    bool start() {
        if (openCL_.open()) {
            config_.devices.push_back(openCL_.record());
        } else {
            std::fprintf(stderr,
                         "stress: no OpenCL device (%s); OpenCL threads render on the CPU\n",
                         openCL_.error().c_str());
        }
        if (!session_.start(config_)) {
            std::fprintf(stderr, "stress: %s\n", session_.error().c_str());
            return false;
        }
        guids_.clear();
        for (const auto& filter : session_.registerAll()) guids_.push_back(filter.guid);
        return true;
    }

    // One thread's renders of every combination: the frames to compare with.
    void renderReferences() {
        for (std::uint32_t mode : modes())
            for (int lut = 0; lut < kLutCount; ++lut)
                for (int size = 0; size < kSizeCount; ++size)
                    for (int alpha : kAlphas)
                        for (int skin : kSkins) {
                            const Inputs in{mode, lut, size, alpha, skin};
                            auto effect = customEffect(mode);
                            references_[in] =
                                effect ? render(*effect, in, 0) : std::vector<std::uint8_t>();
                        }
        // The OpenCL frames are made now, before any thread reads the frame table.
        for (int t = 0; t < options_.threads; ++t)
            for (int s = 0; s < kSizeCount; ++s) clFrames(t, s);
    }

    // Resident memory in KiB after the round's threads have released their
    // effects, before the restart.
    long round(int number) {
        std::vector<std::thread> threads;
        for (int t = 0; t < options_.threads; ++t)
            threads.emplace_back([this, t, number] { renderThread(t, number); });
        for (int c = 0; c < 2; ++c) threads.emplace_back([this, c] { churnThread(c); });
        for (std::thread& thread : threads) thread.join();
        const long kib = residentKiB();
        session_.shutdown();
        start();
        return kib;
    }

    int frames() const { return frames_; }
    int mismatches() const { return mismatches_; }
    int failures() const { return failures_; }
    void shutdown() { session_.shutdown(); }

  private:
    std::vector<std::uint32_t> modes() const {
        return {kCpu, openCL_.isOpen() ? kOpenCL : kCpu, kOpenGL};
    }

    std::unique_ptr<HostedEffect> customEffect(std::uint32_t mode) {
        auto effect = session_.createEffect(kCustomLutGuid, mode);
        if (effect && effect->prepare() != 0) effect.reset();
        return effect;
    }

    // Renders `in` through `effect` after setting its parameters; empty on failure.
    std::vector<std::uint8_t> render(HostedEffect& effect, const Inputs& in, int thread) {
        qlxhost::EffectContext& p = effect.parameters();
        p.set("alpha", ParamAnswer::integer(in.alpha));
        p.set("skinProtect", ParamAnswer::integer(in.skin));
        p.set("lut3dPath", ParamAnswer::string(lutFiles_[in.lut]));
        if (effect.updateParameters() != 0) return {};
        Frame& source = *sources_[in.size];
        if (in.mode == kOpenCL) {
            auto& [input, output] = clFrames(thread, in.size);
            if (!input->write(source.data(), source.stride())) return {};
            if (effect.render(input->frame(), output->frame()) != 0) return {};
            Frame read(source.width(), source.height());
            if (!output->read(read.data(), read.stride())) return {};
            return bytesOf(read);
        }
        Frame output(source.width(), source.height());
        if (effect.render(source, output) != 0) return {};
        return bytesOf(output);
    }

    using FramePair =
        std::pair<std::unique_ptr<qlxhost::OpenCLFrame>, std::unique_ptr<qlxhost::OpenCLFrame>>;
    FramePair& clFrames(int thread, int size) {
        std::lock_guard<std::mutex> lock(clMutex_);
        FramePair& pair = clFrames_[{thread, size}];
        if (!pair.first && openCL_.isOpen()) {
            const int w = kSizes[size][0], h = kSizes[size][1];
            pair.first = std::make_unique<qlxhost::OpenCLFrame>(openCL_, session_.host().gpu, w, h);
            pair.second =
                std::make_unique<qlxhost::OpenCLFrame>(openCL_, session_.host().gpu, w, h);
        }
        return pair;
    }

    void renderThread(int t, int number) {
        const std::uint32_t mode = modes()[t % 3];
        auto effect = customEffect(mode);
        if (!effect) {
            failures_ += options_.frames;
            return;
        }
        for (int i = 0; i < options_.frames; ++i) {
            const int k = t * 7 + i * 5 + number * 3;
            const Inputs in{mode, k % kLutCount, (k / 3) % kSizeCount, kAlphas[(k / 2) % 3],
                            kSkins[(k / 5) % 2]};
            const std::vector<std::uint8_t> frame = render(*effect, in, t);
            ++frames_;
            if (frame.empty())
                ++failures_;
            else if (frame != references_.at(in))
                ++mismatches_;
        }
    }

    // Creates, prepares and releases effects of every filter in every mode.
    void churnThread(int c) {
        for (int i = 0; i < options_.churn; ++i) {
            const std::string& guid = guids_[(c * 5 + i) % guids_.size()];
            const std::uint32_t mode = modes()[(c + i) % 3];
            auto effect = session_.createEffect(guid, mode);
            if (!effect || effect->prepare() != 0) ++failures_;
        }
    }

    Options options_;
    qlxhost::SessionConfig config_;
    qlxhost::HostSession session_;
    qlxhost::OpenCLDevice openCL_;
    std::vector<std::string> lutFiles_, guids_;
    std::vector<std::unique_ptr<Frame>> sources_;  // a Frame refers to itself: never moved
    std::map<Inputs, std::vector<std::uint8_t>> references_;
    std::mutex clMutex_;
    std::map<std::pair<int, int>, FramePair> clFrames_;
    std::atomic<int> frames_{0}, mismatches_{0}, failures_{0};
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    Stress stress(options, QLX_STRESS_LUT_FOLDER);
    if (!stress.start()) return 1;
    stress.renderReferences();
    // Round 1 is warm-up (pools, caches, compiled programs); growth is read
    // from its end to the last round's. Each restart loads a fresh copy of the
    // library, whose cost is part of the figure.
    long firstKiB = 0, lastKiB = 0;
    int firstFrames = 0;
    std::printf("round  frames  mismatches  failures  resident KiB\n");
    for (int r = 1; r <= options.rounds; ++r) {
        lastKiB = stress.round(r);
        if (r == 1) firstKiB = lastKiB, firstFrames = stress.frames();
        std::printf("%5d  %6d  %10d  %8d  %12ld\n", r, stress.frames(), stress.mismatches(),
                    stress.failures(), lastKiB);
    }
    stress.shutdown();
    if (stress.frames() > firstFrames)
        std::printf("resident growth from round 1 to %d: %.1f KiB per 1,000 frames\n",
                    options.rounds,
                    (lastKiB - firstKiB) * 1000.0 / (stress.frames() - firstFrames));
    return stress.mismatches() == 0 && stress.failures() == 0 ? 0 : 1;
}
