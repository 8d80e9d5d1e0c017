// command_runner.h: runs a shell command with a time limit.
#pragma once

#include "run_seams.h"

// The fetch's time limit the build was configured with, in seconds.
int defaultFetchTimeout();

// The most a fetch's processes may write to one file: about 17 times the
// 60000 bytes a run reads of a document. A service that answers without
// end would otherwise fill /tmp, which is the box's memory, until the
// time limit.
inline constexpr long long kFetchFileSizeLimit = 1 << 20;

// Runs "/bin/sh -c LINE" as system() would, but in a process group of its
// own, so that a command that runs longer than the limit can be ended with
// everything it started (sh and wget). Nothing it starts outlives run().
//
// The wait costs no time of its own: the shell inherits the write end of a
// pipe, as does everything it starts, and run() waits in poll() for end of
// file, which comes the moment the last of them has exited. It needs no
// SIGCHLD and changes no signal mask or handler of the host's. A process
// that closes that descriptor or leaves the group (a daemon) is its own
// business: the group is still signalled at the limit, but such a process
// is not waited for, and a shell that closes it is waited for without limit.
//
// The status tells how the command ended: Finished for exit status 0,
// NotFound for the shell's 126 and 127 (no such command, or not
// executable), Failed for any other status or a signal; and Interrupted
// when a SIGINT, SIGTERM or SIGHUP that the runner did not send ended it:
// whoever ended it (the host stopping, the user) wants the run to stop.
class TimedShellRunner final : public CommandRunner {
public:
    // timeoutSeconds 0 or less: no limit. fileSizeLimit, in bytes: the
    // largest file the command's processes may write; past it the kernel
    // ends them (SIGXFSZ). 0: no limit. It is set on the shell as soon as
    // it is started, before it can start anything.
    explicit TimedShellRunner(int timeoutSeconds, long long fileSizeLimit = 0)
        : timeoutSeconds(timeoutSeconds), fileSizeLimit(fileSizeLimit) {}
    CommandStatus run(const char* command) override;

    // Ends the command running now, or refuses the next one, with
    // Interrupted. Safe to call from a signal handler: a command-line
    // front end calls it on SIGINT or SIGTERM, so that no fetch outlives it.
    static void interrupt();

private:
    int timeoutSeconds;
    long long fileSizeLimit;
};
