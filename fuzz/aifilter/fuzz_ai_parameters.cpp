// Drives the segmentation plugin through its exports with arbitrary names and
// values. One input is a list of records: 1 byte operation, 1 byte name
// length, the name, 8 bytes of a double. Operation % 4: 0 set the named
// parameter, 1 get it, 2 one of the three time setters (chosen by the name's
// length), 3 the GUID into a buffer of (first value byte) bytes. An input whose
// first byte has its top four bits set, and whose hash falls in one bucket of
// 1,024, then segments a small frame made of it: the model takes tens of
// milliseconds where the records take microseconds, and the first byte alone
// would not keep segmenting rare, since the corpus favours inputs that segment
// and their mutations mostly keep that byte.
// Beyond the sanitizers: an accepted value reads back exactly, a refused one
// changes nothing, every answer is 0 (QLX_AI_OK) or 2 (QLX_AI_BAD_ARGUMENT), and the mask
// follows its encoding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qlx_ai_filter.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool isCode(int result) {
    return result == QLX_AI_OK || result == QLX_AI_BAD_ARGUMENT;
}

// Loading the model takes far longer than a record, so one filter serves
// every input; each record checks what it changed.
void* theFilter() {
    static void* filter = [] {
        SetNLEAIEffectFilterLogCallback(nullptr);
        return CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, QLX_FUZZ_MODEL_FOLDER);
    }();
    require(filter != nullptr);
    return filter;
}

void setOrGet(void* filter, const std::string& name, double value, bool set) {
    double before = -1, after = -1;
    const int known = NLEEffectFilterGetParameter(filter, name.c_str(), &before);
    require(isCode(known));
    if (!set) return;
    const int result = NLEEffectFilterSetParameter(filter, name.c_str(), value);
    require(isCode(result));
    if (known != QLX_AI_OK) {
        require(result == QLX_AI_BAD_ARGUMENT);
        return;
    }
    require(NLEEffectFilterGetParameter(filter, name.c_str(), &after) == QLX_AI_OK);
    if (result == QLX_AI_OK)
        require(std::memcmp(&after, &value, 8) == 0 || after == value);
    else
        require(std::memcmp(&after, &before, 8) == 0);
}

void setTime(void* filter, std::size_t which, double value) {
    static const char* const kNames[] = {"currentTime", "totalTime", "frameRate"};
    using Setter = int (*)(void*, double);
    static const Setter kSetters[] = {NLEEffectFilterSetCurrentTime, NLEEffectFilterSetTotalTime,
                                      NLEEffectFilterSetFrameRate};
    double before = -1, after = -1;
    require(NLEEffectFilterGetParameter(filter, kNames[which], &before) == QLX_AI_OK);
    const int result = kSetters[which](filter, value);
    require(isCode(result));
    require(NLEEffectFilterGetParameter(filter, kNames[which], &after) == QLX_AI_OK);
    require(result == QLX_AI_OK ? std::memcmp(&after, &value, 8) == 0
                                : std::memcmp(&after, &before, 8) == 0);
}

void guidInto(void* filter, std::size_t size) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    const int result = NLEEffectFilterGetGUID(filter, buffer, static_cast<std::int32_t>(size));
    const bool fits = size > std::strlen(QLX_AI_SKIN_FILTER_GUID);
    require(result == (fits ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT));
    if (fits) require(std::strcmp(buffer, QLX_AI_SKIN_FILTER_GUID) == 0);
    for (std::size_t i = fits ? std::strlen(buffer) + 1 : 0; i < sizeof buffer; ++i)
        require(buffer[i] == 'x');
}

// FNV-1a: any change to the input moves it to another bucket.
bool segmentsFrame(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || (data[0] & 0xF0) != 0xF0) return false;
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash % 1024 == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    void* filter = theFilter();
    std::size_t at = 0;
    while (at + 2 <= size) {
        const int operation = data[at] % 4;
        const std::size_t length = data[at + 1];
        at += 2;
        if (at + length + 8 > size) break;
        const std::string name(reinterpret_cast<const char*>(data + at), length);
        double value;
        std::memcpy(&value, data + at + length, 8);
        at += length + 8;
        if (operation <= 1) setOrGet(filter, name, value, operation == 0);
        if (operation == 2) setTime(filter, length % 3, value);
        if (operation == 3) guidInto(filter, data[at - 8]);
    }
    if (!segmentsFrame(data, size)) return 0;
    std::uint8_t source[16 * 12 * 4], mask[16 * 12 * 4];
    for (std::size_t i = 0; i < sizeof source; ++i) source[i] = data[i % size];
    const int result =
        NLEEffectFilterTransform(filter, mask, 16, 12, 64, nullptr, 0, 0, 0, source, 16, 12, 64);
    require(result == QLX_AI_OK);
    // Each mask pixel repeats its weight in all four bytes, and the weights read
    // back are byte 3 of the mask.
    std::uint8_t weights[16 * 12];
    std::int32_t width = 0, height = 0;
    require(NLEEffectFilterGetAIResData(filter, weights, sizeof weights, &width, &height) ==
            QLX_AI_OK);
    require(width == 16 && height == 12);
    for (std::size_t i = 0; i < sizeof weights; ++i) {
        const std::uint8_t* pixel = mask + 4 * i;
        require(pixel[0] == pixel[3] && pixel[1] == pixel[3] && pixel[2] == pixel[3]);
        require(weights[i] == pixel[3]);
    }
    return 0;
}
