// host_stop.cpp: SIGTERM, SIGINT and SIGHUP end tvhost cleanly.
#include "host_stop.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How often the commands are looked for while stopping: one started after
// the signal is ended within this time.
constexpr long kSweepMilliseconds = 10;
// After this long, what still runs is killed.
constexpr long kGraceMilliseconds = 2000;

volatile std::sig_atomic_t stopSignal = 0;
std::atomic<bool> finished{false};
int wakeRead = -1, wakeWrite = -1;

// Sends sig to the process group of every child of this process (the
// plug-in's commands each lead a group of their own), and to the child
// itself where it leads none.
void signalChildren(int sig) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/children", static_cast<int>(::getpid()));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char list[4096];
    const ssize_t length = ::read(fd, list, sizeof list - 1);
    ::close(fd);
    if (length <= 0)
        return;
    long pid = 0;
    for (ssize_t i = 0; i <= length; ++i) {
        const char c = i < length ? list[i] : ' ';
        if (c >= '0' && c <= '9') {
            pid = pid * 10 + (c - '0');
        } else if (pid > 0) {
            if (::kill(static_cast<pid_t>(-pid), sig) != 0)
                ::kill(static_cast<pid_t>(pid), sig);
            pid = 0;
        }
    }
}

void sleepMilliseconds(long milliseconds) {
    const timespec step{0, milliseconds * 1000000};
    nanosleep(&step, nullptr);
}

// Waits for the first stop signal, then ends the commands until the
// plug-in has returned.
void sweep() {
    // The signals go to the thread that runs the plug-in, so that a wait
    // of its own is woken too.
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : kStopSignals)
        sigaddset(&stops, sig);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    char byte;
    while (::read(wakeRead, &byte, 1) < 0 && errno == EINTR) {
    }
    long elapsed = 0;
    while (!finished.load()) {
        signalChildren(elapsed < kGraceMilliseconds ? SIGTERM : SIGKILL);
        sleepMilliseconds(kSweepMilliseconds);
        elapsed += kSweepMilliseconds;
    }
}

void onStopSignal(int sig) {
    if (stopSignal)
        return;
    stopSignal = sig;
    const int saved = errno;
    if (::write(wakeWrite, "x", 1) < 0) {
        // The sweeper is woken by the first signal only; nothing to redo.
    }
    errno = saved;
}

}  // namespace

void HostStop::install() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    wakeRead = fds[0];
    wakeWrite = fds[1];
    std::thread(sweep).detach();
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : kStopSignals)
        sigaction(sig, &action, nullptr);
}

bool HostStop::requested() {
    return stopSignal != 0;
}

int HostStop::signalNumber() {
    return stopSignal;
}

void HostStop::finish() {
    finished.store(true);
}
