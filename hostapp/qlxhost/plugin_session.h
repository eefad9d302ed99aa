// Starts the plugin for a command, the way every command needs it: the plugin
// from the install layout (or --plugin), the LUT folder given or the bundled
// one, and a failure to start turned into a sentence for the user.
#pragma once

#include <memory>
#include <string>

#include "commands.h"
#include "kit/host_session.h"
#include "kit/opencl_device.h"

namespace qlxhost::cli {

struct PluginHost {
    std::unique_ptr<OpenCLDevice> openCL;  // lent to the plugin; outlives the session
    std::unique_ptr<HostSession> session;
};

// With the OpenCL renderer the host lends the plugin a real OpenCL device.
PluginHost startPlugin(const CommonOptions& common, const std::string& lutFolder,
                       Renderer renderer = Renderer::Cpu);

}  // namespace qlxhost::cli
