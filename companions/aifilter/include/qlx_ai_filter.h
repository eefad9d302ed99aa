/*
 * qlxAiFilterPlugin.qlx — the skin segmentation filter.
 *
 * A plain C interface of twelve entry points. The LUT plugin loads this library at run time and
 * calls four of them (log callback, create, delete, transform); the other eight serve hosts and
 * tools that want to tune the filter or read its result back.
 *
 * Filter GUID: only QLX_AI_SKIN_FILTER_GUID is known; every other GUID creates nothing.
 *
 * Results: 0 success, QLX_AI_BAD_ARGUMENT (2) for a null handle, a null buffer, an unknown
 * parameter, a value out of range or sizes that do not fit; QLX_AI_FAILURE (4) when the work
 * itself failed (out of memory). Bad arguments are detected before any memory is touched.
 *
 * Pixels: the source is 8-bit BGRA (blue, green, red, alpha in that byte order; alpha ignored),
 * rows `srcPitch` bytes apart. A three-channel BGR source is accepted by
 * NLEEffectFilterTransformChannels only.
 *
 * MASK ENCODING (what NLEEffectFilterTransform writes): one 4-byte pixel per destination pixel,
 * rows `dstPitch` bytes apart; the bytes of each pixel are
 *     byte 0, byte 1, byte 2: the skin weight again (so the mask shows as a grey picture),
 *     byte 3:                 the skin weight, 0 = no skin ... 255 = certainly skin.
 * Renderers read byte 3. The weight is soft: the learned model's skin probability, feathered,
 * so edges fall off smoothly over a few pixels. The mask has the destination's size;
 * a source of another size is scaled to it. Bytes of a row beyond width * 4 are left untouched.
 *
 * Threads: every call on one handle may come from any thread; calls on the same handle are
 * serialised by the handle's own lock, calls on different handles run in parallel. The log
 * callback may be called from any thread that calls into the library.
 */
#ifndef QLX_AI_FILTER_H
#define QLX_AI_FILTER_H

#include <stdarg.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(QLX_AI_FILTER_BUILD)
#define QLX_AI_API __declspec(dllexport)
#else
#define QLX_AI_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define QLX_AI_API __attribute__((visibility("default")))
#else
#define QLX_AI_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define QLX_AI_SKIN_FILTER_GUID "B6812345-039A-49CB-BEBB-339EACCD00F0"

#define QLX_AI_OK 0
#define QLX_AI_BAD_ARGUMENT 2
#define QLX_AI_FAILURE 4

/* Largest width or height accepted, in pixels, for sources and masks. */
#define QLX_AI_MAX_SIDE 16384

/* Log levels handed to the callback: 2 information, 3 warning, 4 error. */
typedef void (*QLXAiLogCallback)(int level, const char* format, va_list args);

/* Stores the callback through which the library reports; null silences it. Process-wide. */
QLX_AI_API void SetNLEAIEffectFilterLogCallback(QLXAiLogCallback callback);

/* Creates one filter instance. `guid` must equal QLX_AI_SKIN_FILTER_GUID exactly (case
 * sensitive); anything else, or null, gives null. The learned skin model is read from
 * `resourceFolder`/qlxSkinSegmenter.onnx when that file exists, else from the file of that name
 * beside this library (`resourceFolder` may be null). A model file that is missing, unreadable
 * or not the skin model gives null and an error (level 4) through the log callback. */
QLX_AI_API void* CreateNLEAIEffectFilterFromGUID(const char* guid, const char* resourceFolder);

/* Releases the instance that *handleVariable holds and sets *handleVariable to null. A null
 * address or a null handle does nothing. */
QLX_AI_API void DeleteNLEAIEffectFilter(void** handleVariable);

/* Finds skin in `src` (srcWidth x srcHeight BGRA, srcPitch bytes per row) and writes the 4-byte
 * mask described above into `dst` (width x height, dstPitch bytes per row). `reserved` and the
 * three reserved integers are passed as 0 and not used. A null handle, a null buffer, a size
 * below 1 or above QLX_AI_MAX_SIDE, or a pitch shorter than a row answers QLX_AI_BAD_ARGUMENT. */
QLX_AI_API int NLEEffectFilterTransform(void* handle, uint8_t* dst, int32_t width, int32_t height,
                                        int32_t dstPitch, void* reserved, int32_t reserved1,
                                        int32_t reserved2, int32_t reserved3, const uint8_t* src,
                                        int32_t srcWidth, int32_t srcHeight, int32_t srcPitch);

/* Like NLEEffectFilterTransform with a choice of channel counts: `srcChannels` 3 (BGR) or 4
 * (BGRA); `dstChannels` 4 (the mask encoding above) or 1 (the weight alone, one byte a pixel). */
QLX_AI_API int NLEEffectFilterTransformChannels(void* handle, uint8_t* dst, int32_t width,
                                                int32_t height, int32_t dstPitch,
                                                int32_t dstChannels, const uint8_t* src,
                                                int32_t srcWidth, int32_t srcHeight,
                                                int32_t srcPitch, int32_t srcChannels);

/* Tuning parameters, by name (exact, case sensitive):
 *   "sensitivity"  0 .. 1, default 0.5: finds more skin (above 0.5) or less (below) by moving
 *                  the model's decision: at 0 and 1 the odds of skin change about twenty-fold.
 *   "feather"      0 .. 10, default 2: width of the soft edge, in percent of the frame's
 *                  shorter side (0: hard edges).
 * Read only, through NLEEffectFilterGetParameter: "currentTime", "totalTime", "frameRate" (the
 * values last set by the three time setters, 0 until set). A name that is not listed, or a value
 * outside its range (NaN included), answers QLX_AI_BAD_ARGUMENT and changes nothing. */
QLX_AI_API int NLEEffectFilterSetParameter(void* handle, const char* name, double value);
QLX_AI_API int NLEEffectFilterGetParameter(void* handle, const char* name, double* value);

/* Copies the skin weights of the last successful transform, one byte a pixel, rows packed
 * without padding, into `dst` when `dstCapacity` >= width * height. Always writes the mask's
 * size to *width and *height (0 x 0 before the first transform) when those are not null. With
 * `dst` null only the size is reported. No mask yet, or too small a buffer: QLX_AI_BAD_ARGUMENT. */
QLX_AI_API int NLEEffectFilterGetAIResData(void* handle, uint8_t* dst, int64_t dstCapacity,
                                           int32_t* width, int32_t* height);

/* Copies the instance's GUID with its terminating NUL into `buffer` of `bufferSize` bytes;
 * QLX_AI_BAD_ARGUMENT when it does not fit (the buffer is then left unchanged). */
QLX_AI_API int NLEEffectFilterGetGUID(void* handle, char* buffer, int32_t bufferSize);

/* Timeline information, in seconds and frames per second. Stored for the host to read back;
 * the model treats every frame on its own. Negative or non-finite values, or a frame
 * rate of 0, answer QLX_AI_BAD_ARGUMENT. */
QLX_AI_API int NLEEffectFilterSetCurrentTime(void* handle, double seconds);
QLX_AI_API int NLEEffectFilterSetTotalTime(void* handle, double seconds);
QLX_AI_API int NLEEffectFilterSetFrameRate(void* handle, double framesPerSecond);

#ifdef __cplusplus
}
#endif

#endif /* QLX_AI_FILTER_H */
