// command_runner.h: runs a shell command with a time limit.
#pragma once

#include "run_seams.h"

// The fetch's time limit the build was configured with, in seconds.
int defaultFetchTimeout();

// Runs "/bin/sh -c LINE" as system() would, but in a process group of its
// own, so that a command that runs longer than the limit can be ended with
// everything it started (sh and wget). Nothing it starts outlives run().
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
