// command_runner.cpp: runs a shell command with a time limit.
#include "command_runner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <initializer_list>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// How often a running command is looked at, and how long the commands get
// to end after SIGTERM before SIGKILL.
constexpr long kPollMilliseconds = 20;
constexpr long kGraceMilliseconds = 1000;

volatile std::sig_atomic_t interruptRequested = 0;

// True once, for each interrupt() call.
bool takeInterrupt() {
    if (!interruptRequested)
        return false;
    interruptRequested = 0;
    return true;
}

long long nowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void pause() {
    const timespec step{0, kPollMilliseconds * 1000000};
    nanosleep(&step, nullptr);
}

// Reaps the group's leader if it has ended. True once it is gone.
bool reaped(pid_t leader) {
    int status;
    pid_t done;
    do
        done = waitpid(leader, &status, WNOHANG);
    while (done < 0 && errno == EINTR);
    // ECHILD: a host that ignores SIGCHLD has its children reaped for it.
    return done == leader || (done < 0 && errno == ECHILD);
}

bool groupGone(pid_t group) {
    return kill(-group, 0) != 0 && errno == ESRCH;
}

// Waits up to the deadline for the leader to end, or until interrupted.
bool waitUntil(pid_t leader, long long deadline, bool& interrupted) {
    for (;;) {
        if (reaped(leader))
            return true;
        interrupted = takeInterrupt();
        if (interrupted || (deadline >= 0 && nowMilliseconds() >= deadline))
            return false;
        pause();
    }
}

// Waits up to the grace time for every process of the group to be gone.
bool groupEnds(pid_t group, bool& leaderGone) {
    const long long deadline = nowMilliseconds() + kGraceMilliseconds;
    for (;;) {
        leaderGone = leaderGone || reaped(group);
        if (leaderGone && groupGone(group))
            return true;
        if (nowMilliseconds() >= deadline)
            return false;
        pause();
    }
}

// Ends every process of the group: SIGTERM, then SIGKILL for what is left
// after the grace time. The leader is reaped here; the others, sh's
// children, by init once sh is gone, which the last wait gives time for.
void endGroup(pid_t group) {
    bool leaderGone = false;
    kill(-group, SIGTERM);
    if (groupEnds(group, leaderGone))
        return;
    kill(-group, SIGKILL);
    while (!leaderGone)
        leaderGone = waitpid(group, nullptr, 0) == group || errno != EINTR;
    groupEnds(group, leaderGone);
}

// The spawn attributes: a new process group, and the signal state a shell
// started by system() would have, whatever the host has set for itself.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGCHLD, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &attributes; }

private:
    posix_spawnattr_t attributes;
};

}  // namespace

void TimedShellRunner::interrupt() {
    interruptRequested = 1;
}

int defaultFetchTimeout() {
    return TARVIO_FETCH_TIMEOUT;
}

CommandStatus TimedShellRunner::run(const char* command) {
    if (takeInterrupt())
        return CommandStatus::Interrupted;
    SpawnAttributes attributes;
    char shell[] = "/bin/sh", dashC[] = "-c";
    char* argv[] = {shell, dashC, const_cast<char*>(command), nullptr};
    pid_t leader;
    // posix_spawn, like system(), avoids copying the host's whole address
    // space on a box with little memory.
    if (posix_spawn(&leader, shell, nullptr, attributes.get(), argv, environ) != 0)
        return CommandStatus::NotStarted;

    const long long deadline = timeoutSeconds > 0 ? nowMilliseconds() + timeoutSeconds * 1000LL : -1;
    bool interrupted = false;
    if (waitUntil(leader, deadline, interrupted))
        return CommandStatus::Finished;
    endGroup(leader);
    return interrupted ? CommandStatus::Interrupted : CommandStatus::TimedOut;
}
