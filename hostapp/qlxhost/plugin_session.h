// Starts the plugin for a command, the way every command needs it: the plugin
// from the install layout (or --plugin), the LUT folder given or the bundled
// one, and a failure to start turned into a sentence for the user.
#pragma once

#include <memory>
#include <string>

#include "commands.h"
#include "kit/host_session.h"

namespace qlxhost::cli {

std::unique_ptr<HostSession> startPlugin(const CommonOptions& common, const std::string& lutFolder);

}  // namespace qlxhost::cli
