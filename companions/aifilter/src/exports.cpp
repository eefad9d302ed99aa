// The twelve C entry points. Each checks its arguments before touching any memory and keeps
// every exception inside the library.
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "filter_log.h"
#include "pixel_plane.h"
#include "qlx_ai_filter.h"
#include "skin_filter.h"

using qlx::aifilter::isUsablePlane;
using qlx::aifilter::kLogError;
using qlx::aifilter::kLogWarning;
using qlx::aifilter::logMessage;
using qlx::aifilter::PixelPlane;
using qlx::aifilter::SkinFilter;

namespace {

// Runs `work` and turns any escaping exception into QLX_AI_FAILURE with a log line.
template <typename Work>
int guarded(const char* what, Work&& work) {
    try {
        return work();
    } catch (const std::exception& e) {
        logMessage(kLogError, "qlxAiFilter %s failed: %s", what, e.what());
    } catch (...) {
        logMessage(kLogError, "qlxAiFilter %s failed", what);
    }
    return QLX_AI_FAILURE;
}

int transformPlanes(void* handle, const PixelPlane& source, const PixelPlane& mask) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    if (filter == nullptr) return QLX_AI_BAD_ARGUMENT;
    if (!isUsablePlane(source, 3, 4) || !isUsablePlane(mask, 1, 4)) {
        logMessage(kLogWarning,
                   "qlxAiFilter transform refused: source %dx%d pitch %d, mask %dx%d pitch %d",
                   source.width, source.height, source.pitch, mask.width, mask.height, mask.pitch);
        return QLX_AI_BAD_ARGUMENT;
    }
    return guarded("transform", [&] { return filter->transform(source, mask); });
}

int setTime(void* handle, SkinFilter::TimeValue which, double value) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    return filter == nullptr ? QLX_AI_BAD_ARGUMENT : filter->setTimeValue(which, value);
}

}  // namespace

extern "C" {

QLX_AI_API void SetNLEAIEffectFilterLogCallback(QLXAiLogCallback callback) {
    qlx::aifilter::setLogCallback(callback);
}

QLX_AI_API void* CreateNLEAIEffectFilterFromGUID(const char* guid, const char* resourceFolder) {
    if (guid == nullptr || std::strcmp(guid, QLX_AI_SKIN_FILTER_GUID) != 0) {
        logMessage(kLogWarning, "qlxAiFilter: no filter with GUID %s", guid ? guid : "(null)");
        return nullptr;
    }
    try {
        return SkinFilter::create(guid, resourceFolder != nullptr ? resourceFolder : "").release();
    } catch (const std::exception& e) {
        logMessage(kLogError, "qlxAiFilter create failed: %s", e.what());
        return nullptr;
    }
}

QLX_AI_API void DeleteNLEAIEffectFilter(void** handleVariable) {
    if (handleVariable == nullptr) return;
    delete SkinFilter::fromHandle(*handleVariable);
    *handleVariable = nullptr;
}

QLX_AI_API int NLEEffectFilterTransform(void* handle, uint8_t* dst, int32_t width, int32_t height,
                                        int32_t dstPitch, void* /*reserved*/, int32_t /*reserved1*/,
                                        int32_t /*reserved2*/, int32_t /*reserved3*/,
                                        const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                                        int32_t srcPitch) {
    return transformPlanes(handle, PixelPlane{src, srcWidth, srcHeight, srcPitch, 4},
                           PixelPlane{dst, width, height, dstPitch, 4});
}

QLX_AI_API int NLEEffectFilterTransformChannels(void* handle, uint8_t* dst, int32_t width,
                                                int32_t height, int32_t dstPitch,
                                                int32_t dstChannels, const uint8_t* src,
                                                int32_t srcWidth, int32_t srcHeight,
                                                int32_t srcPitch, int32_t srcChannels) {
    return transformPlanes(handle, PixelPlane{src, srcWidth, srcHeight, srcPitch, srcChannels},
                           PixelPlane{dst, width, height, dstPitch, dstChannels});
}

QLX_AI_API int NLEEffectFilterSetParameter(void* handle, const char* name, double value) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    if (filter == nullptr || name == nullptr) return QLX_AI_BAD_ARGUMENT;
    return guarded("set parameter", [&] { return filter->setParameter(name, value); });
}

QLX_AI_API int NLEEffectFilterGetParameter(void* handle, const char* name, double* value) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    if (filter == nullptr || name == nullptr || value == nullptr) return QLX_AI_BAD_ARGUMENT;
    return guarded("get parameter", [&] { return filter->getParameter(name, value); });
}

QLX_AI_API int NLEEffectFilterGetAIResData(void* handle, uint8_t* dst, int64_t dstCapacity,
                                           int32_t* width, int32_t* height) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    if (filter == nullptr) return QLX_AI_BAD_ARGUMENT;
    return filter->copyLastWeights(dst, dstCapacity, width, height);
}

QLX_AI_API int NLEEffectFilterGetGUID(void* handle, char* buffer, int32_t bufferSize) {
    SkinFilter* filter = SkinFilter::fromHandle(handle);
    return filter == nullptr ? QLX_AI_BAD_ARGUMENT : filter->copyGuid(buffer, bufferSize);
}

QLX_AI_API int NLEEffectFilterSetCurrentTime(void* handle, double seconds) {
    return setTime(handle, SkinFilter::TimeValue::kCurrent, seconds);
}

QLX_AI_API int NLEEffectFilterSetTotalTime(void* handle, double seconds) {
    return setTime(handle, SkinFilter::TimeValue::kTotal, seconds);
}

QLX_AI_API int NLEEffectFilterSetFrameRate(void* handle, double framesPerSecond) {
    return setTime(handle, SkinFilter::TimeValue::kFrameRate, framesPerSecond);
}

}  // extern "C"
