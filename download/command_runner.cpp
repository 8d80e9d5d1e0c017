// command_runner.cpp: runs a shell command with a time limit.
#include "command_runner.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_handle.h"

extern char** environ;

namespace {

// How long the commands get to end after SIGTERM before SIGKILL, and again
// after SIGKILL before the run gives up on them.
constexpr long long kGraceMilliseconds = 1000;

volatile std::sig_atomic_t interruptRequested = 0;

// The write end of the wake-up pipe, for interrupt() in a signal handler;
// -1 while there is none.
std::atomic<int> wakeWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "interrupt() runs in signal handlers");

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

// poll()'s time-out for a deadline; a negative deadline is none.
int millisecondsLeft(long long deadline) {
    if (deadline < 0)
        return -1;
    const long long left = deadline - nowMilliseconds();
    return left > 0 ? static_cast<int>(left) : 0;
}

struct Pipe {
    FdHandle readEnd;
    FdHandle writeEnd;
};

// Both ends close-on-exec: no command the host starts keeps a copy.
Pipe makePipe(int flags) {
    int ends[2];
    if (pipe2(ends, flags | O_CLOEXEC) != 0)
        return Pipe{FdHandle(), FdHandle()};
    return Pipe{FdHandle(ends[0]), FdHandle(ends[1])};
}

// What interrupt() writes a byte to, so that a run() waiting for a command
// wakes at once. Made on the first run(), outside any signal handler, and
// kept while the plug-in is loaded: a handler may write to it at any time,
// so its descriptors must not be closed and reused under it.
class WakePipe {
public:
    WakePipe() : ends(makePipe(O_NONBLOCK)) { wakeWriteEnd = ends.writeEnd.get(); }
    ~WakePipe() { wakeWriteEnd = -1; }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    // -1 when the pipe could not be made: interrupt() then takes effect
    // when the command ends, instead of at once.
    int readEnd() const { return ends.readEnd.get(); }

    // Empties it, so that the next poll() waits again.
    void drain() const {
        char bytes[64];
        while (::read(ends.readEnd.get(), bytes, sizeof bytes) > 0) {
        }
    }

private:
    Pipe ends;
};

const WakePipe& wakePipe() {
    static const WakePipe pipe;
    return pipe;
}

enum class Wait { Ended, Deadline, Interrupted };

// True at end of file. A command that writes to its descriptor only has
// its bytes dropped.
bool atEnd(int fd) {
    char bytes[64];
    return ::read(fd, bytes, sizeof bytes) == 0;
}

// Waits, without a timer of its own, until every process holding the
// command pipe's write end has exited (a zombie holds no descriptor), the
// deadline passes, or interrupt() writes to the wake-up pipe. A wake of
// -1 is not waited for.
Wait waitForEnd(int command, int wake, long long deadline) {
    pollfd watched[] = {{command, POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(watched, 2, millisecondsLeft(deadline));
        // A signal only shortens the wait; the time left is counted anew.
        // A wait that cannot be made at all ends the command as its limit
        // would.
        if (ready < 0 && errno != EINTR)
            return Wait::Deadline;
        if (ready > 0 && watched[0].revents != 0 && atEnd(command))
            return Wait::Ended;
        if (ready > 0 && watched[1].revents != 0) {
            // Drained before the flag is looked at: interrupt() sets the
            // flag before it writes, so no request is left behind unseen.
            wakePipe().drain();
            if (takeInterrupt())
                return Wait::Interrupted;
        }
        if (deadline >= 0 && nowMilliseconds() >= deadline)
            return Wait::Deadline;
    }
}

// Ends every process of the group: SIGTERM, then SIGKILL for what is left
// after the grace time, and waits for them to exit. The leader is not
// reaped yet, so that its pid, the group's id, cannot go to another
// process meanwhile.
void endGroup(pid_t group, int command) {
    kill(-group, SIGTERM);
    if (waitForEnd(command, -1, nowMilliseconds() + kGraceMilliseconds) == Wait::Ended)
        return;
    kill(-group, SIGKILL);
    waitForEnd(command, -1, nowMilliseconds() + kGraceMilliseconds);
}

// Waits for the leader, which has exited or been killed, and reaps it.
// Its wait status, or -1 where a host that ignores SIGCHLD has its
// children reaped for it (ECHILD): nothing is known of how it ended.
int reap(pid_t leader) {
    int status = 0;
    pid_t done;
    while ((done = waitpid(leader, &status, 0)) < 0 && errno == EINTR) {
    }
    return done == leader ? status : -1;
}

// How a command that ended by itself ended.
CommandStatus endedStatus(int status) {
    if (status == -1 || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        return CommandStatus::Finished;
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 126 || WEXITSTATUS(status) == 127 ? CommandStatus::NotFound
                                                                         : CommandStatus::Failed;
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGINT || sig == SIGTERM || sig == SIGHUP)
            return CommandStatus::Interrupted;
    }
    return CommandStatus::Failed;
}

// The file size limit of the shell, inherited by all it starts. The shell
// may already have started its command by the time the limit is set (on a
// busy machine the runner gets the processor back late), so the children
// it has by then get the limit too.
void limitFileSize(pid_t leader, long long bytes) {
    if (bytes <= 0)
        return;
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    prlimit(leader, RLIMIT_FSIZE, &limit, nullptr);
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/task/%d/children", static_cast<int>(leader), static_cast<int>(leader));
    FileHandle children(std::fopen(path, "re"));
    if (!children)
        return;
    int child;
    while (std::fscanf(children.get(), "%d", &child) == 1)
        prlimit(child, RLIMIT_FSIZE, &limit, nullptr);
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
        for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGCHLD, SIGHUP, SIGXFSZ})
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

// The shell's one change to the descriptors it inherits: the command
// pipe's write end, without close-on-exec, in place of its copy of the
// read end. That number is the run's own, so no descriptor of the host's
// is covered, even in the child; and our copies stay close-on-exec, so
// that no other program the host starts holds the pipe open.
class SpawnDescriptors {
public:
    explicit SpawnDescriptors(const Pipe& command) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, command.writeEnd.get(), command.readEnd.get());
    }
    ~SpawnDescriptors() { posix_spawn_file_actions_destroy(&actions); }
    SpawnDescriptors(const SpawnDescriptors&) = delete;
    SpawnDescriptors& operator=(const SpawnDescriptors&) = delete;

    const posix_spawn_file_actions_t* get() const { return &actions; }

private:
    posix_spawn_file_actions_t actions;
};

}  // namespace

void TimedShellRunner::interrupt() {
    interruptRequested = 1;
    const int wake = wakeWriteEnd;
    if (wake < 0)
        return;
    // The handler's caller may be looking at errno.
    const int savedErrno = errno;
    const char byte = 0;
    // A failure is a full pipe, which wakes the wait as well.
    const ssize_t written = ::write(wake, &byte, 1);
    static_cast<void>(written);
    errno = savedErrno;
}

int defaultFetchTimeout() {
    return TARVIO_FETCH_TIMEOUT;
}

CommandStatus TimedShellRunner::run(const char* command) {
    const int wake = wakePipe().readEnd();
    if (takeInterrupt())
        return CommandStatus::Interrupted;
    Pipe commandPipe = makePipe(0);
    if (!commandPipe.readEnd)
        return CommandStatus::NotStarted;
    SpawnAttributes attributes;
    SpawnDescriptors descriptors(commandPipe);
    char shell[] = "/bin/sh", dashC[] = "-c";
    char* argv[] = {shell, dashC, const_cast<char*>(command), nullptr};
    pid_t leader;
    // posix_spawn, like system(), avoids copying the host's whole address
    // space on a box with little memory.
    const int spawned = posix_spawn(&leader, shell, descriptors.get(), attributes.get(), argv, environ);
    // From here on only the command's processes hold the write end: end of
    // file on the read end says the last of them has exited.
    commandPipe.writeEnd.reset();
    if (spawned != 0)
        return CommandStatus::NotStarted;
    limitFileSize(leader, fileSizeLimit);

    const long long deadline = timeoutSeconds > 0 ? nowMilliseconds() + timeoutSeconds * 1000LL : -1;
    const Wait waited = waitForEnd(commandPipe.readEnd.get(), wake, deadline);
    if (waited != Wait::Ended)
        endGroup(leader, commandPipe.readEnd.get());
    const int status = reap(leader);
    switch (waited) {
    case Wait::Ended: return endedStatus(status);
    case Wait::Deadline: return CommandStatus::TimedOut;
    case Wait::Interrupted: return CommandStatus::Interrupted;
    }
    return CommandStatus::TimedOut;
}
