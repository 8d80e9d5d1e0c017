// command_runner.h: runs a shell command with a time limit.
#pragma once

#include <string>

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
// LINE is the command after two lines of the runner's own, so that nothing
// depends on the runner getting the processor back in time: the file size
// limit is in place before the command starts, and how the command ended
// is known even where the host's children are reaped for it.
// - "trap 'echo $? >&N' EXIT": the shell writes its exit status to that
//   same pipe (N, one digit, as sh's ">&N" takes no more) when it exits,
//   also by the command's own "exit 3". A host that ignores SIGCHLD gets
//   nothing from waitpid() (ECHILD), so the shell has to say it.
// - "ulimit -f BLOCKS || exit 1": the size limit, in the 512-byte blocks
//   of the box's sh (BusyBox's, dash, and bash run as sh), rounded up. A
//   shell that cannot set it runs nothing.
// The command comes last, so that an unclosed quote or a line ending in
// "\" in it cannot swallow a line of the runner's.
//
// The status tells how the command ended: Finished for exit status 0,
// NotFound for the shell's 126 and 127 (no such command, or not
// executable), Failed for any other status or a signal; and Interrupted
// when a SIGINT, SIGTERM or SIGHUP that the runner did not send ended it
// (or the shell's last command: status 128 plus that signal): whoever
// ended it (the host stopping, the user) wants the run to stop. The
// shell's report comes first; where there is none (the shell itself was
// killed), the wait status; where neither is there, the status cannot be
// known, and that is Failed, never Finished: a fetch whose end is unknown,
// perhaps cut by the size limit, brings nothing.
class TimedShellRunner final : public CommandRunner {
public:
    // timeoutSeconds 0 or less: no limit. fileSizeLimit, in bytes: the
    // largest file the command's processes may write; past it the kernel
    // ends them (SIGXFSZ). 0: no limit. shell: the sh that runs the line,
    // another one only for tests.
    explicit TimedShellRunner(int timeoutSeconds, long long fileSizeLimit = 0, const char* shell = "/bin/sh")
        : timeoutSeconds(timeoutSeconds), fileSizeLimit(fileSizeLimit), shell(shell) {}
    CommandStatus run(const char* command) override;
    CommandStatus stream(const char* command, OutputSink& sink) override;
    bool takeInterrupt() override;

    // Ends the command running now, or refuses the next one, with
    // Interrupted. Safe to call from a signal handler: a command-line
    // front end calls it on SIGINT or SIGTERM, so that no fetch outlives it.
    // It wakes run() through a pipe that run() makes when it first needs
    // it; its descriptors are 10 or above, close-on-exec.
    static void interrupt();

    // Closes that wake-up pipe, for a host that unloads the plug-in: the
    // next run() makes it again. An interrupt() from a handler that comes
    // meanwhile finds no pipe and only refuses the next command; one in a
    // handler on another thread that took the pipe's number just before it
    // was closed may write its byte to whatever gets that number next, so
    // the host should not be ending a run at that moment. Not for a time
    // when another thread is in run().
    static void releaseWakePipe();

private:
    CommandStatus execute(const char* command, OutputSink* sink);

    int timeoutSeconds;
    long long fileSizeLimit;
    std::string shell;
};

// Closes the runner's wake-up pipe when it goes: the plug-in holds one
// while the host is inside it, and leaves no descriptor behind.
class RunnerPipesScope {
public:
    RunnerPipesScope() = default;
    ~RunnerPipesScope() { TimedShellRunner::releaseWakePipe(); }
    RunnerPipesScope(const RunnerPipesScope&) = delete;
    RunnerPipesScope& operator=(const RunnerPipesScope&) = delete;
};
