// Ctrl-C stops long work at the next frame instead of killing the program, so
// temporary files are removed and children are reaped.
#pragma once

namespace qlxhost::cli {

// Installs the SIGINT/SIGTERM handler and ignores SIGPIPE (a dead ffmpeg shows
// up as a failed write, not as a killed program).
void installInterruptHandler();
bool interrupted();
// Raises CliError("interrupted", 130) when Ctrl-C was pressed.
void throwIfInterrupted();

}  // namespace qlxhost::cli
