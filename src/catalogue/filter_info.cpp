#include "catalogue/filter_info.h"

#include <algorithm>
#include <cstring>

namespace {

void copyText(const std::string& text, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

std::string paramKey(std::int32_t index) {
    return "Param[" + std::to_string(index) + "]";
}

}  // namespace

void NLEFilterInfo::getGuid(char* buffer, std::size_t capacity) const {
    copyText(guid_, buffer, capacity);
}

void NLEFilterInfo::getName(char* buffer, std::size_t capacity) const {
    copyText(name_, buffer, capacity);
}

void NLEFilterInfo::getLutPath(char* buffer, std::size_t capacity) const {
    copyText(lutPath_, buffer, capacity);
}

void NLEFilterInfo::addParam(std::int32_t index, std::shared_ptr<NLEFilterParams> param) {
    std::string key = paramKey(index);
    std::lock_guard<std::mutex> lock(paramMutex_);
    params_[std::move(key)] = std::move(param);
}

std::shared_ptr<NLEFilterParams> NLEFilterInfo::getParam(std::int32_t index) const {
    const std::string key = paramKey(index);
    std::lock_guard<std::mutex> lock(paramMutex_);
    const auto found = params_.find(key);
    return found == params_.end() ? nullptr : found->second;
}
