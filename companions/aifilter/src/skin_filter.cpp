#include "skin_filter.h"

#include <cmath>
#include <cstring>

#include "filter_log.h"
#include "mask_encoding.h"
#include "model_file.h"
#include "qlx_ai_filter.h"

namespace qlx::aifilter {
namespace {

bool inRange(double value, double lo, double hi) {
    return value >= lo && value <= hi;
}  // NaN: no

int cvTypeFor(std::int32_t channels) {
    return channels == 3 ? CV_8UC3 : CV_8UC4;
}

}  // namespace

SkinFilter::SkinFilter(std::string guid, std::unique_ptr<SkinSegmenter> segmenter)
    : guid_(std::move(guid)), segmenter_(std::move(segmenter)) {}

std::unique_ptr<SkinFilter> SkinFilter::create(std::string guid,
                                               const std::string& resourceFolder) {
    const std::string path = skinModelPath(resourceFolder);
    std::string error;
    std::unique_ptr<SkinSegmenter> segmenter = SkinSegmenter::load(path, error);
    if (segmenter == nullptr) {
        logMessage(kLogError, "qlxAiFilter: skin model %s could not be loaded: %s", path.c_str(),
                   error.c_str());
        return nullptr;
    }
    return std::unique_ptr<SkinFilter>(new SkinFilter(std::move(guid), std::move(segmenter)));
}

SkinFilter::~SkinFilter() {
    tag_ = 0;
}

SkinFilter* SkinFilter::fromHandle(void* handle) {
    auto* filter = static_cast<SkinFilter*>(handle);
    return filter != nullptr && filter->tag_ == kLiveTag ? filter : nullptr;
}

int SkinFilter::transform(const PixelPlane& source, const PixelPlane& mask) {
    const cv::Mat picture(source.height, source.width, cvTypeFor(source.channels),
                          const_cast<void*>(source.data), static_cast<size_t>(source.pitch));
    std::lock_guard<std::mutex> lock(mutex_);
    buildSkinWeights(picture, settings_, cv::Size(mask.width, mask.height), *segmenter_, scratch_,
                     lastWeights_);
    writeMask(lastWeights_, mask.channels, static_cast<std::uint8_t*>(const_cast<void*>(mask.data)),
              mask.pitch);
    return QLX_AI_OK;
}

int SkinFilter::setParameter(const std::string& name, double value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (name == "sensitivity" && inRange(value, 0.0, 1.0)) {
        settings_.sensitivity = value;
    } else if (name == "feather" && inRange(value, 0.0, 10.0)) {
        settings_.featherPercent = value;
    } else {
        return QLX_AI_BAD_ARGUMENT;
    }
    return QLX_AI_OK;
}

int SkinFilter::getParameter(const std::string& name, double* value) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (name == "sensitivity") {
        *value = settings_.sensitivity;
    } else if (name == "feather") {
        *value = settings_.featherPercent;
    } else if (name == "currentTime") {
        *value = currentTime_;
    } else if (name == "totalTime") {
        *value = totalTime_;
    } else if (name == "frameRate") {
        *value = frameRate_;
    } else {
        return QLX_AI_BAD_ARGUMENT;
    }
    return QLX_AI_OK;
}

int SkinFilter::copyLastWeights(std::uint8_t* dst, std::int64_t capacity, std::int32_t* width,
                                std::int32_t* height) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (width != nullptr) *width = lastWeights_.cols;
    if (height != nullptr) *height = lastWeights_.rows;
    if (lastWeights_.empty()) return QLX_AI_BAD_ARGUMENT;
    if (dst == nullptr) return QLX_AI_OK;
    const std::int64_t needed = static_cast<std::int64_t>(lastWeights_.cols) * lastWeights_.rows;
    if (capacity < needed) return QLX_AI_BAD_ARGUMENT;
    for (int y = 0; y < lastWeights_.rows; ++y) {
        std::memcpy(dst + static_cast<std::int64_t>(y) * lastWeights_.cols,
                    lastWeights_.ptr<std::uint8_t>(y), lastWeights_.cols);
    }
    return QLX_AI_OK;
}

int SkinFilter::copyGuid(char* buffer, std::int32_t bufferSize) const {
    if (buffer == nullptr || bufferSize < 0 || guid_.size() >= static_cast<size_t>(bufferSize)) {
        return QLX_AI_BAD_ARGUMENT;
    }
    std::memcpy(buffer, guid_.c_str(), guid_.size() + 1);
    return QLX_AI_OK;
}

int SkinFilter::setTimeValue(TimeValue which, double value) {
    if (!std::isfinite(value) || value < 0.0) return QLX_AI_BAD_ARGUMENT;
    if (which == TimeValue::kFrameRate && value == 0.0) return QLX_AI_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(mutex_);
    double& slot = which == TimeValue::kCurrent ? currentTime_
                   : which == TimeValue::kTotal ? totalTime_
                                                : frameRate_;
    slot = value;
    return QLX_AI_OK;
}

}  // namespace qlx::aifilter
