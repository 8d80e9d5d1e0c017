// command_runner.cpp: runs a shell command with a time limit.
#include "command_runner.h"

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <initializer_list>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

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
bool interruptTaken() {
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

// The runner's own descriptors are moved to this number or above: the
// shell's ">&N" takes only N from 0 to 9, so the status descriptor the
// shell gets in the child (below 10) is never one of them, and dup2() never
// has one number for both ends (dup2 onto itself keeps close-on-exec on
// some libcs). A host with a standard descriptor closed never sees one of
// ours take its place either.
constexpr int kFirstOwnDescriptor = 10;

// fd moved to kFirstOwnDescriptor or above, close-on-exec; -1 if it cannot be.
FdHandle ownDescriptor(int fd) {
    FdHandle given(fd);
    if (!given)
        return FdHandle();
    return FdHandle(::fcntl(given.get(), F_DUPFD_CLOEXEC, kFirstOwnDescriptor));
}

struct Pipe {
    FdHandle readEnd;
    FdHandle writeEnd;
};

// Both ends close-on-exec: no command the host starts keeps a copy. Both
// or neither are made.
Pipe makePipe(int flags) {
    int ends[2];
    if (pipe2(ends, flags | O_CLOEXEC) != 0)
        return Pipe{FdHandle(), FdHandle()};
    Pipe pipe{ownDescriptor(ends[0]), ownDescriptor(ends[1])};
    if (!pipe.readEnd || !pipe.writeEnd)
        return Pipe{FdHandle(), FdHandle()};
    return pipe;
}

// What interrupt() writes a byte to, so that a run() waiting for a command
// wakes at once. Made by the first run() that needs it, outside any signal
// handler, and kept until releaseWakePipe(): a handler may write to it at
// any time. Its read end is only touched by run() and releaseWakePipe(),
// on one thread at a time.
int wakeReadEnd = -1;

// -1 when the pipe could not be made: interrupt() then takes effect when
// the command ends, instead of at once.
int wakePipe() {
    if (wakeReadEnd < 0) {
        Pipe ends = makePipe(O_NONBLOCK);
        if (ends.readEnd) {
            wakeReadEnd = ends.readEnd.release();
            wakeWriteEnd = ends.writeEnd.release();
        }
    }
    return wakeReadEnd;
}

// Empties it, so that the next poll() waits again.
void drainWakePipe() {
    char bytes[64];
    while (::read(wakeReadEnd, bytes, sizeof bytes) > 0) {
    }
}

// The read end of the pipe whose write end the command's processes hold,
// and the last bytes that came through it: the shell's report of its exit
// status, "STATUS\n", is the last thing it writes.
class CommandEnd {
public:
    explicit CommandEnd(FdHandle readEnd) : readEnd(std::move(readEnd)) {}

    int fd() const { return readEnd.get(); }

    // Reads what is there; true at end of file.
    bool readAndSeeEnd() {
        char bytes[64];
        const ssize_t got = ::read(readEnd.get(), bytes, sizeof bytes);
        if (got <= 0)
            return got == 0;
        tail.append(bytes, static_cast<std::size_t>(got));
        if (tail.size() > kTailBytes)
            tail.erase(0, tail.size() - kTailBytes);
        return false;
    }

    // The exit status the shell reported: the last line, if it is a number
    // from 0 to 255. Nothing if it reported none (it was killed, or the
    // command replaced the shell or its trap).
    std::optional<int> reportedStatus() const {
        if (tail.empty() || tail.back() != '\n')
            return std::nullopt;
        std::string line = tail.substr(0, tail.size() - 1);
        const std::size_t previousEnd = line.find_last_of('\n');
        if (previousEnd != std::string::npos)
            line.erase(0, previousEnd + 1);
        if (line.empty() || line.size() > 3 || line.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int status = std::stoi(line);
        return status <= 255 ? std::optional<int>(status) : std::nullopt;
    }

private:
    // A report is at most "255\n"; what the command itself may have written
    // to the descriptor before it needs no room.
    static constexpr std::size_t kTailBytes = 16;

    FdHandle readEnd;
    std::string tail;
};

enum class Wait { Ended, Deadline, Interrupted, Refused };

// Waits, without a timer of its own, until every process holding the
// command pipe's write end has exited (a zombie holds no descriptor), the
// deadline passes, or interrupt() writes to the wake-up pipe. A wake of
// -1 is not waited for.
Wait waitForEnd(CommandEnd& command, int wake, long long deadline) {
    pollfd watched[] = {{command.fd(), POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(watched, 2, millisecondsLeft(deadline));
        // A signal only shortens the wait; the time left is counted anew.
        // A wait that cannot be made at all ends the command as its limit
        // would.
        if (ready < 0 && errno != EINTR)
            return Wait::Deadline;
        if (ready > 0 && watched[0].revents != 0 && command.readAndSeeEnd())
            return Wait::Ended;
        if (ready > 0 && watched[1].revents != 0) {
            // Drained before the flag is looked at: interrupt() sets the
            // flag before it writes, so no request is left behind unseen.
            drainWakePipe();
            if (interruptTaken())
                return Wait::Interrupted;
        }
        if (deadline >= 0 && nowMilliseconds() >= deadline)
            return Wait::Deadline;
    }
}

// Waits as waitForEnd does, and meanwhile hands what the command writes to
// its standard output to sink. The deadline moves on with every byte that
// comes, up to the whole command's; Refused when the sink wants no more.
Wait waitStreaming(CommandEnd& command, int output, OutputSink& sink, int wake, int timeoutSeconds) {
    const long long limit = timeoutSeconds > 0 ? timeoutSeconds * 1000LL : -1;
    const long long started = nowMilliseconds();
    const long long whole = limit > 0 ? started + limit * kStreamTimeFactor : -1;
    long long idle = limit > 0 ? started + limit : -1;
    bool outputOpen = true;
    bool commandOpen = true;
    char bytes[16384];
    for (;;) {
        const long long deadline = idle < 0 ? -1 : std::min(idle, whole);
        pollfd watched[] = {{commandOpen ? command.fd() : -1, POLLIN, 0},
                            {outputOpen ? output : -1, POLLIN, 0},
                            {wake, POLLIN, 0}};
        const int ready = ::poll(watched, 3, millisecondsLeft(deadline));
        if (ready < 0 && errno != EINTR)
            return Wait::Deadline;
        if (ready > 0 && watched[1].revents != 0) {
            const ssize_t got = ::read(output, bytes, sizeof bytes);
            if (got > 0) {
                if (limit > 0)
                    idle = nowMilliseconds() + limit;
                if (!sink.output(bytes, static_cast<std::size_t>(got)))
                    return Wait::Refused;
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                outputOpen = false;
            }
        }
        if (ready > 0 && watched[0].revents != 0 && command.readAndSeeEnd())
            commandOpen = false;
        if (ready > 0 && watched[2].revents != 0) {
            drainWakePipe();
            if (interruptTaken())
                return Wait::Interrupted;
        }
        if (!commandOpen && !outputOpen)
            return Wait::Ended;
        if (deadline >= 0 && nowMilliseconds() >= deadline)
            return Wait::Deadline;
    }
}

// Ends every process of the group: SIGTERM, then SIGKILL for what is left
// after the grace time, and waits for them to exit. The leader is not
// reaped yet, so that its pid, the group's id, cannot go to another
// process meanwhile.
void endGroup(pid_t group, CommandEnd& command) {
    kill(-group, SIGTERM);
    if (waitForEnd(command, -1, nowMilliseconds() + kGraceMilliseconds) == Wait::Ended)
        return;
    kill(-group, SIGKILL);
    waitForEnd(command, -1, nowMilliseconds() + kGraceMilliseconds);
}

// Waits for the leader, which has exited or been killed, and reaps it.
// Its wait status, or nothing where a host that ignores SIGCHLD has its
// children reaped for it (ECHILD).
std::optional<int> reap(pid_t leader) {
    int status = 0;
    pid_t done;
    while ((done = waitpid(leader, &status, 0)) < 0 && errno == EINTR) {
    }
    return done == leader ? std::optional<int>(status) : std::nullopt;
}

// A signal that ends a process when someone wants it to stop.
bool isStopSignal(int signal) {
    return signal == SIGINT || signal == SIGTERM || signal == SIGHUP;
}

// What an exit status says; a shell's status above 128 is its last
// command's death by signal (status - 128).
CommandStatus exitedStatus(int exitStatus) {
    if (exitStatus == 0)
        return CommandStatus::Finished;
    if (exitStatus == 126 || exitStatus == 127)
        return CommandStatus::NotFound;
    if (exitStatus > 128 && isStopSignal(exitStatus - 128))
        return CommandStatus::Interrupted;
    return CommandStatus::Failed;
}

// How a command that ended by itself ended: by the shell's own report,
// else by its wait status, else, known by neither, Failed.
CommandStatus endedStatus(std::optional<int> reported, std::optional<int> waitStatus) {
    if (reported)
        return exitedStatus(*reported);
    if (!waitStatus)
        return CommandStatus::Failed;
    if (WIFEXITED(*waitStatus))
        return exitedStatus(WEXITSTATUS(*waitStatus));
    if (WIFSIGNALED(*waitStatus) && isStopSignal(WTERMSIG(*waitStatus)))
        return CommandStatus::Interrupted;
    return CommandStatus::Failed;
}

// The descriptor, 3 to 9, that the shell reports its status on. It covers
// the host's descriptor of that number in the child, so it is one the host
// does not have open, or has close-on-exec (which no command would see
// anyway). A host that lets its commands inherit all of 3 to 9 loses 9 in
// the run's commands, which are wget and rm: knowing how they ended
// matters more.
int statusDescriptor() {
    for (int fd = 9; fd >= 3; --fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags < 0 || (flags & FD_CLOEXEC) != 0)
            return fd;
    }
    return 9;
}

// The size limit in the 512-byte blocks of sh's "ulimit -f", rounded up.
// 0 where none is needed: no limit asked for, or the hard limit that the
// command inherits from the host is as tight already ("ulimit -f" could
// not raise it, and would refuse the command).
long long limitBlocks(long long bytes) {
    rlimit inherited{};
    if (bytes <= 0 || (getrlimit(RLIMIT_FSIZE, &inherited) == 0 && inherited.rlim_max != RLIM_INFINITY &&
                       inherited.rlim_max <= static_cast<rlim_t>(bytes)))
        return 0;
    return (bytes + 511) / 512;
}

// The line the shell runs: see command_runner.h.
std::string wrappedLine(const char* command, int statusFd, long long blocks) {
    std::string line = "trap 'echo $? >&" + std::to_string(statusFd) + "' EXIT\n";
    if (blocks > 0)
        line += "ulimit -f " + std::to_string(blocks) + " || exit 1\n";
    return line + command;
}

// The spawn attributes: a new process group, and the signal state a shell
// started by system() would have, whatever the host has set for itself
// (SIGCHLD too: an ignored one survives exec, and the shell would get no
// status of its command).
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
// pipe's write end, without close-on-exec, as statusFd. Our own copies
// stay close-on-exec, so that no other program the host starts holds the
// pipe open.
class SpawnDescriptors {
public:
    SpawnDescriptors(const FdHandle& writeEnd, int statusFd, const FdHandle& output) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), statusFd);
        // A streamed command's standard output goes to the runner.
        if (output)
            posix_spawn_file_actions_adddup2(&actions, output.get(), STDOUT_FILENO);
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

void TimedShellRunner::releaseWakePipe() {
    // Out of the handler's reach before it is closed, so that an
    // interrupt() on this thread never writes to a number being reused.
    const int writeEnd = wakeWriteEnd.exchange(-1);
    if (writeEnd >= 0)
        ::close(writeEnd);
    if (wakeReadEnd >= 0)
        ::close(wakeReadEnd);
    wakeReadEnd = -1;
}

int defaultFetchTimeout() {
    return TARVIO_FETCH_TIMEOUT;
}

bool TimedShellRunner::takeInterrupt() {
    return interruptTaken();
}

CommandStatus TimedShellRunner::run(const char* command) {
    return execute(command, nullptr);
}

CommandStatus TimedShellRunner::stream(const char* command, OutputSink& sink) {
    return execute(command, &sink);
}

CommandStatus TimedShellRunner::execute(const char* command, OutputSink* sink) {
    const int wake = wakePipe();
    if (interruptTaken())
        return CommandStatus::Interrupted;
    Pipe commandPipe = makePipe(0);
    if (!commandPipe.readEnd)
        return CommandStatus::NotStarted;
    Pipe outputPipe;
    if (sink) {
        outputPipe = makePipe(0);
        if (!outputPipe.readEnd)
            return CommandStatus::NotStarted;
    }
    const int statusFd = statusDescriptor();
    std::string line = wrappedLine(command, statusFd, limitBlocks(fileSizeLimit));
    SpawnAttributes attributes;
    SpawnDescriptors descriptors(commandPipe.writeEnd, statusFd, outputPipe.writeEnd);
    std::string shellPath = shell;
    char dashC[] = "-c";
    char* argv[] = {&shellPath[0], dashC, &line[0], nullptr};
    pid_t leader;
    // posix_spawn, like system(), avoids copying the host's whole address
    // space on a box with little memory.
    const int spawned = posix_spawn(&leader, shellPath.c_str(), descriptors.get(), attributes.get(), argv, environ);
    // From here on only the command's processes hold the write end: end of
    // file on the read end says the last of them has exited.
    commandPipe.writeEnd.reset();
    outputPipe.writeEnd.reset();
    if (spawned != 0)
        return CommandStatus::NotStarted;

    CommandEnd commandEnd(std::move(commandPipe.readEnd));
    const long long deadline = timeoutSeconds > 0 ? nowMilliseconds() + timeoutSeconds * 1000LL : -1;
    const Wait waited = sink ? waitStreaming(commandEnd, outputPipe.readEnd.get(), *sink, wake, timeoutSeconds)
                             : waitForEnd(commandEnd, wake, deadline);
    if (waited != Wait::Ended)
        endGroup(leader, commandEnd);
    const std::optional<int> waitStatus = reap(leader);
    switch (waited) {
    case Wait::Ended: return endedStatus(commandEnd.reportedStatus(), waitStatus);
    case Wait::Deadline: return CommandStatus::TimedOut;
    case Wait::Interrupted: return CommandStatus::Interrupted;
    case Wait::Refused: return CommandStatus::Failed;
    }
    return CommandStatus::TimedOut;
}
