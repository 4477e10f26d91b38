#include "tools/common/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void noteStop(int signal) {
    if (caught == 0) caught = signal;
}

}  // namespace

void catchStopSignals() {
    std::signal(SIGTERM, noteStop);
    std::signal(SIGINT, noteStop);
#ifdef SIGHUP
    std::signal(SIGHUP, noteStop);
#endif
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

int stopSignal() {
    return caught;
}

const char* signalName(int signal) {
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGINT: return "SIGINT";
#ifdef SIGHUP
        case SIGHUP: return "SIGHUP";
#endif
        default: return "a signal";
    }
}

void requestStop(int signal) {
    caught = signal;
}
