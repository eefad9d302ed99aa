// One skin filter instance: its settings, timeline values, scratch memory and last mask,
// all behind the instance's own lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "pixel_plane.h"
#include "skin_mask_builder.h"

namespace qlx::aifilter {

class SkinFilter {
  public:
    // A filter with the skin model found for `resourceFolder` (see skinModelPath); null, with
    // an error logged, when the model cannot be loaded.
    static std::unique_ptr<SkinFilter> create(std::string guid, const std::string& resourceFolder);

    // The handle the entry points receive, checked; null for anything that is no live filter.
    static SkinFilter* fromHandle(void* handle);
    ~SkinFilter();

    // Planes must already satisfy isUsablePlane. Returns a QLX_AI_* result.
    int transform(const PixelPlane& source, const PixelPlane& mask);

    int setParameter(const std::string& name, double value);
    int getParameter(const std::string& name, double* value) const;
    int copyLastWeights(std::uint8_t* dst, std::int64_t capacity, std::int32_t* width,
                        std::int32_t* height) const;
    int copyGuid(char* buffer, std::int32_t bufferSize) const;

    enum class TimeValue { kCurrent, kTotal, kFrameRate };
    int setTimeValue(TimeValue which, double value);

  private:
    SkinFilter(std::string guid, std::unique_ptr<SkinSegmenter> segmenter);

    static constexpr std::uint64_t kLiveTag = 0x716c78536b696e31ull;  // "qlxSkin1"

    std::uint64_t tag_ = kLiveTag;
    const std::string guid_;
    const std::unique_ptr<SkinSegmenter> segmenter_;
    mutable std::mutex mutex_;
    SkinMaskSettings settings_;
    double currentTime_ = 0.0, totalTime_ = 0.0, frameRate_ = 0.0;
    SkinMaskScratch scratch_;
    cv::Mat lastWeights_;
};

}  // namespace qlx::aifilter
