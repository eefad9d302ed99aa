#include "kit/host_session.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <system_error>

#include "qlx/qlx_effect.h"

namespace fs = std::filesystem;

namespace qlxhost {
namespace {

constexpr char kLutFolderTail[] = "qlx_effect/plugin/LUT";

// The resources folder under which `lutFolder` is "qlx_effect/plugin/LUT",
// or empty when the folder is named otherwise.
std::string resourcesAbove(const fs::path& lutFolder) {
    const std::string text = lutFolder.lexically_normal().generic_string();
    const std::string tail = std::string("/") + kLutFolderTail;
    std::string trimmed = text;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (trimmed.size() <= tail.size() ||
        trimmed.compare(trimmed.size() - tail.size(), tail.size(), tail) != 0) {
        return {};
    }
    return trimmed.substr(0, trimmed.size() - tail.size());
}

std::string makePrivateFolder() {
    std::random_device random;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("qlxhost-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) return candidate.string();
    }
    return {};
}

FilterDescription describe(const EffectDescriptor& descriptor) {
    FilterDescription out;
    out.guid = descriptor.guid;
    out.name = descriptor.name;
    out.params = descriptor.params;
    return out;
}

}  // namespace

HostSession::~HostSession() {
    shutdown();
}

bool HostSession::start(const SessionConfig& config) {
    error_.clear();
    pluginPath_ = config.pluginPath.empty() ? PluginLibrary::defaultPath() : config.pluginPath;
    std::error_code ec;
    const fs::path folder = fs::absolute(config.lutFolder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        error_ = "the LUT folder " + config.lutFolder + " does not exist";
        return false;
    }
    lutFolder_ = folder.lexically_normal().string();
    while (lutFolder_.size() > 1 && lutFolder_.back() == '/') lutFolder_.pop_back();

    std::string resources = resourcesAbove(folder);
    if (resources.empty()) {
        linkFolder_ = makePrivateFolder();
        const fs::path link = fs::path(linkFolder_) / kLutFolderTail;
        fs::create_directories(link.parent_path(), ec);
        if (linkFolder_.empty() || ec || (fs::create_directory_symlink(lutFolder_, link, ec), ec)) {
            error_ = "cannot prepare a resources folder for " + lutFolder_;
            return false;
        }
        resources = linkFolder_;
    }

    const bool loaded =
        config.freshCopy ? plugin_.loadFreshCopy(pluginPath_) : plugin_.load(pluginPath_);
    if (!loaded) {
        error_ = plugin_.error();
        return false;
    }
    host_.util.paths[kQLXPathResources] = resources;
    host_.util.paths[kQLXPathPluginFolder] = fs::path(pluginPath_).parent_path().string();
    host_.gpu.devices = config.devices;

    const int result = plugin_.startup(host_.context(), &info_);
    if (result != kQLXSuccess) {
        error_ = "StartupQLX answered " + std::to_string(result);
        return false;
    }
    started_ = true;
    return true;
}

void HostSession::shutdown() {
    if (started_) plugin_.shutdown();
    started_ = false;
    if (!linkFolder_.empty()) {
        std::error_code ignored;
        fs::remove_all(linkFolder_, ignored);  // removes the link, never its target
        linkFolder_.clear();
    }
}

int HostSession::registerAt(int index, FilterDescription& out) {
    EffectDescriptor descriptor;
    const int result = plugin_.registerEffect(index, descriptor.qlx());
    out = describe(descriptor);
    out.index = index;
    return result;
}

int HostSession::registerFolder(const std::string& folder, FilterDescription& out) {
    EffectDescriptor descriptor;
    const int result = plugin_.registerFromConfPath(folder.c_str(), descriptor.qlx());
    out = describe(descriptor);
    out.folder = folder;
    return result;
}

std::vector<std::string> HostSession::filterXmlFolders() const {
    std::vector<std::string> folders;
    std::error_code ec;
    const auto options = fs::directory_options::follow_directory_symlink |
                         fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(lutFolder_, options, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (it->path().filename().string().find("filter.xml") == std::string::npos) continue;
        const std::string parent = it->path().parent_path().string();
        if (parent != lutFolder_) folders.push_back(parent);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

std::vector<FilterDescription> HostSession::registerAll(std::vector<std::string>* failures) {
    std::vector<FilterDescription> filters;
    for (int index = 0; index < static_cast<int>(info_.effectCount); ++index) {
        FilterDescription filter;
        if (registerAt(index, filter) == kQLXSuccess) {
            filters.push_back(filter);
        } else if (failures) {
            failures->push_back("index " + std::to_string(index));
        }
    }
    for (const std::string& folder : filterXmlFolders()) {
        FilterDescription filter;
        if (registerFolder(folder, filter) == kQLXSuccess) {
            filters.push_back(filter);
        } else if (failures) {
            failures->push_back(folder);
        }
    }
    return filters;
}

std::unique_ptr<HostedEffect> HostSession::createEffect(const std::string& guid,
                                                        std::uint32_t renderMode, int* result) {
    QLXEffect* effect = nullptr;
    const int answer = plugin_.createEffect(guid.c_str(), renderMode, &effect);
    if (result) *result = answer;
    if (answer != kQLXSuccess || !effect) return nullptr;
    return std::make_unique<HostedEffect>(plugin_, effect);
}

// ---- effects -----------------------------------------------------------------

HostedEffect::~HostedEffect() {
    if (prepared_) effect_->ReleaseResource();
    plugin_.releaseEffect(effect_);
}

int HostedEffect::prepare() {
    const int result = effect_->PrepareResource(context_.qlx());
    prepared_ = true;  // a failed preparation may still hold resources to release
    return result;
}

int HostedEffect::updateParameters() {
    return effect_->UpdateParameters(context_.qlx());
}

int HostedEffect::render(Frame& input, Frame& output) {
    RenderContext context(&input, &output);
    return effect_->Render(context.qlx());
}

}  // namespace qlxhost
