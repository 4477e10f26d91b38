#include "tools/common/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void noteStop(int signal) {
    if (caught == 0) caught = signal;
}

// A signal the program was started with ignored (nohup, a shell's background job)
// stays ignored.
void catchUnlessIgnored(int signal) {
    if (std::signal(signal, noteStop) == SIG_IGN) std::signal(signal, SIG_IGN);
}

}  // namespace

void catchStopSignals() {
    catchUnlessIgnored(SIGTERM);
    catchUnlessIgnored(SIGINT);
#ifdef SIGHUP
    catchUnlessIgnored(SIGHUP);
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
