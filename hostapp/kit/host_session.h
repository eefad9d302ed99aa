// One run of the plugin as an editor drives it: load the library, start it on a
// LUT folder, describe filters, create effects and render frames with them,
// shut down. Everything goes through the six exports and the kit's host
// interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/host_kit.h"
#include "kit/plugin_library.h"

namespace qlxhost {

struct SessionConfig {
    std::string pluginPath;             // qlxLUTPlugin.qlx; empty: beside the running program
    std::string lutFolder;              // any folder holding a LUT folder's descriptions
    std::vector<DeviceRecord> devices;  // what the GPU Device Suite lists
    bool freshCopy = false;             // load a private copy: the plugin's state starts anew
};

// What the plugin told the host about one filter.
struct FilterDescription {
    std::string guid;
    std::string name;
    std::string folder;  // the folder registered explicitly; empty for an index
    int index = -1;      // the registration index; -1 for a folder
    std::vector<EffectDescriptor::Param> params;
};

class HostedEffect;

class HostSession {
  public:
    HostSession() = default;
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;
    ~HostSession();

    // Loads the plugin and calls StartupQLX. The plugin only knows LUT folders
    // named ".../qlx_effect/plugin/LUT"; any other folder is reached through a
    // link under such a name in a private temporary folder. False, with
    // `error()` saying why, when the library does not load or start-up fails.
    bool start(const SessionConfig& config);
    void shutdown();
    const std::string& error() const { return error_; }

    Host& host() { return host_; }
    LogSink& log() { return host_.util.log; }
    const QLXPluginInfo& info() const { return info_; }
    const std::string& lutFolder() const { return lutFolder_; }
    // The LUT folder as the plugin names it in its log lines (the link, if any).
    std::string pluginLutFolder() const {
        return host_.util.paths.count(kQLXPathResources)
                   ? host_.util.paths.at(kQLXPathResources) + "/qlx_effect/plugin/LUT"
                   : std::string();
    }
    const std::string& pluginPath() const { return pluginPath_; }

    // RegisterQLXEffect / RegisterQLXEffectFromConfPath; the export's result.
    int registerAt(int index, FilterDescription& out);
    int registerFolder(const std::string& folder, FilterDescription& out);

    // Every folder below the LUT folder, at any depth, holding a file whose
    // name contains "filter.xml", in name order. Start-up reads no
    // "filter.xml", so a host registers these folders to reach their LUTs.
    std::vector<std::string> filterXmlFolders() const;

    // Registers indices 0 .. count-1, then every filterXmlFolders() folder.
    // Entries whose registration failed are left out; `failures` gets them.
    std::vector<FilterDescription> registerAll(std::vector<std::string>* failures = nullptr);

    // CreateQLXEffect; null with `*result` set when the plugin refuses.
    std::unique_ptr<HostedEffect> createEffect(const std::string& guid, std::uint32_t renderMode,
                                               int* result = nullptr);

  private:
    Host host_;
    PluginLibrary plugin_;
    QLXPluginInfo info_{};
    bool started_ = false;
    std::string error_;
    std::string lutFolder_;
    std::string pluginPath_;
    std::string linkFolder_;  // private resources folder holding the link, if any
};

// One effect, from creation to release. The destructor releases its resources
// (when prepared) and the effect itself.
class HostedEffect {
  public:
    HostedEffect(PluginLibrary& plugin, QLXEffect* effect) : plugin_(plugin), effect_(effect) {}
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;
    ~HostedEffect();

    // Parameter values the host answers ("alpha", "skinProtect", "lut3dPath").
    EffectContext& parameters() { return context_; }
    int prepare();
    int updateParameters();
    int render(Frame& input, Frame& output);
    QLXEffect* raw() const { return effect_; }

  private:
    PluginLibrary& plugin_;
    QLXEffect* effect_;
    EffectContext context_;
    bool prepared_ = false;
};

}  // namespace qlxhost
