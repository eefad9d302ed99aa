#include "effect/param_conversion.h"

#include <cstring>

namespace tonekit {

std::optional<NLEFilterParamValue> convertHostValue(const QLXParamValue& host) {
    NLEFilterParamValue cell;
    const auto store = [&](const void* bytes, std::size_t size, std::uint32_t type) {
        std::memcpy(cell.raw, bytes, size);
        cell.type = type;
    };
    switch (host.type) {
        case kQLXParamInt32:
            store(&host.value.i32, 4, kNLEParamInt);
            break;
        case kQLXParamFloat:
            store(&host.value.f32, 4, kNLEParamFloat);
            break;
        case kQLXParamInt64:
            store(&host.value.i64, 8, kConvertedInt64);
            break;
        case kQLXParamBool:
            store(&host.value.boolean, 1, kConvertedBool);
            break;
        case kQLXParamInt64Alt:
            store(&host.value.i64, 8, kConvertedInt64Alt);
            break;
        case kQLXParamText: {
            const char* text = host.value.text ? host.value.text : "";
            const std::size_t length = std::strlen(text);
            const std::size_t kept = length < sizeof cell.raw ? length : sizeof cell.raw - 1;
            store(text, kept, kNLEParamText);
            cell.raw[kept] = 0;
            cell.text.assign(text, length);
            break;
        }
        default:
            return std::nullopt;
    }
    return cell;
}

}  // namespace tonekit
