// Stopping a command-line run cleanly: SIGTERM, SIGINT and SIGHUP only note that the
// run should end; the run looks at the note once a frame, then finishes its files
// (the battery save, a recording up to that point) and exits with 128 + the signal.
#pragma once

// Installs the handlers (a signal inherited as ignored, as under nohup, stays
// ignored), and has a write past a file-size limit fail as an error instead of
// killing the process, so that its temporary file is removed.
void catchStopSignals();

// The signal that asked the run to stop, 0 while none has.
int stopSignal();

// The signal's name for a message ("SIGTERM").
const char* signalName(int signal);

// Notes a stop as a signal would; for tests.
void requestStop(int signal);
