#include "interrupt.h"

#include <csignal>

#include "cli_error.h"

namespace qlxhost::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted() {
    return gInterrupted != 0;
}

void throwIfInterrupted() {
    if (interrupted()) throw CliError("interrupted; nothing was written", kExitInterrupted);
}

}  // namespace qlxhost::cli
