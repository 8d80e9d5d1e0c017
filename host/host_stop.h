// host_stop.h: SIGTERM, SIGINT and SIGHUP end tvhost cleanly, also in the
// middle of a download run.
#pragma once

// The plug-in runs its commands in process groups of their own, so a
// signal to tvhost alone would leave them running (wget retries for hours).
// Once one of these signals comes, every command tvhost has started is
// ended with its group, and every one it starts later too, until tvhost
// leaves the plug-in. The run sees its fetch ended by a signal it did not
// send, stops, cleans up and keeps the old guide; then the modal loop is
// given the exit key.
namespace HostStop {

// Installs the handlers; call once, before the plug-in runs.
void install();

// True once a stop signal has come; its number, 0 before.
bool requested();
int signalNumber();

// The plug-in has returned: no more commands to end.
void finish();

}  // namespace HostStop
