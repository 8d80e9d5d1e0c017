// command_runner.h: runs a shell command with a time limit.
#pragma once

#include "run_seams.h"

// The fetch's time limit the build was configured with, in seconds.
int defaultFetchTimeout();

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
class TimedShellRunner final : public CommandRunner {
public:
    // 0 or less: no limit.
    explicit TimedShellRunner(int timeoutSeconds) : timeoutSeconds(timeoutSeconds) {}
    CommandStatus run(const char* command) override;

    // Ends the command running now, or refuses the next one, with
    // Interrupted. Safe to call from a signal handler: a command-line
    // front end calls it on SIGINT or SIGTERM, so that no fetch outlives it.
    static void interrupt();

private:
    int timeoutSeconds;
};
