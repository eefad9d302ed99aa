#include "catalogue/filter_registry.h"

#include "catalogue/filter_info.h"

NLEFilterRegistry::~NLEFilterRegistry() {
    // Descriptions are released in a fixed order: by GUID, load order, root.
    // Those still held by live effects stay alive with them.
    for (auto& entry : byGuid_) entry.second.reset();
    for (auto& entry : loadOrder_) entry.reset();
    root_.reset();
    byGuid_.clear();
    loadOrder_.clear();
}

std::size_t NLEFilterRegistry::filterCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return byGuid_.size();
}

std::size_t NLEFilterRegistry::loadOrderLength() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return loadOrder_.size();
}

std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::filterAt(std::size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < loadOrder_.size() ? loadOrder_[index] : nullptr;
}

std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::findByGuid(const char* guid) const {
    if (!guid) return nullptr;
    const std::string key(guid);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = byGuid_.find(key);
    return found == byGuid_.end() ? nullptr : found->second;
}

std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::root() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return root_;
}

void NLEFilterRegistry::setRoot(std::shared_ptr<NLEFilterInfo> root) {
    std::lock_guard<std::mutex> lock(mutex_);
    root_ = std::move(root);
}

std::string NLEFilterRegistry::adoptLutPath(const NLEFilterInfo& filter) {
    char path[512] = {};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!root_) return std::string();
    filter.getLutPath(path, sizeof path);
    root_->setLutPath(path);
    return path;
}

void NLEFilterRegistry::storeConfDescription(std::shared_ptr<NLEFilterInfo> info) {
    std::lock_guard<std::mutex> lock(mutex_);
    loadOrder_.reserve(loadOrder_.size() + 1);  // nothing changes if this fails
    byGuid_[info->guid()] = info;
    loadOrder_.push_back(std::move(info));
}

std::shared_ptr<NLEFilterInfo> NLEFilterRegistry::storeXmlDescription(
    const std::function<std::shared_ptr<NLEFilterInfo>()>& build) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<NLEFilterInfo> info = build();
    if (info) byGuid_[info->guid()] = info;
    return info;
}
