// terminal_guard.cpp: enters and reliably leaves curses mode.
#include "terminal_guard.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <curses.h>
#include <exception>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t active = 0;
int savedStderr = -1;
std::FILE* stderrCopy = nullptr;
std::terminate_handler previousTerminate = nullptr;

// SIGINT, SIGTERM and SIGHUP end tvhost through its modal loop, which
// leaves the screen on the way out.
const int kFatalSignals[] = {SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Leaves curses mode and gives standard error back, without replaying it:
// only what is safe enough in a signal handler.
void leaveScreen() {
    if (!active)
        return;
    active = 0;
    endwin();
    if (savedStderr >= 0) {
        ::dup2(savedStderr, STDERR_FILENO);
        ::close(savedStderr);
        savedStderr = -1;
    }
}

void onSignal(int sig) {
    leaveScreen();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void onTerminate() {
    leaveScreen();
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

void replayStderr() {
    if (!stderrCopy)
        return;
    std::fflush(stderrCopy);
    std::rewind(stderrCopy);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stderrCopy)) > 0)
        std::fwrite(buffer, 1, n, stderr);
    std::fclose(stderrCopy);
    stderrCopy = nullptr;
}
}  // namespace

bool TerminalGuard::start() {
    if (active)
        return true;
    // Output to standard error (ours, the plug-in's, its commands') would
    // tear the screen; it is kept and shown once the screen is left.
    std::fflush(stderr);
    stderrCopy = std::tmpfile();
    if (stderrCopy) {
        savedStderr = ::dup(STDERR_FILENO);
        ::dup2(::fileno(stderrCopy), STDERR_FILENO);
    }
    // newterm, unlike initscr, reports an unusable terminal instead of
    // ending the program.
    if (!newterm(nullptr, stdout, stdin)) {
        if (savedStderr >= 0) {
            ::dup2(savedStderr, STDERR_FILENO);
            ::close(savedStderr);
            savedStderr = -1;
        }
        replayStderr();
        return false;
    }
    active = 1;
    static bool handlersInstalled = false;
    if (!handlersInstalled) {
        handlersInstalled = true;
        for (int sig : kFatalSignals)
            std::signal(sig, onSignal);
        previousTerminate = std::set_terminate(onTerminate);
        std::atexit(TerminalGuard::stop);
    }
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    // Wake up now and then so that multi-tap characters commit on time.
    timeout(100);
    return true;
}

void TerminalGuard::stop() {
    if (!active)
        return;
    std::fflush(stderr);
    leaveScreen();
    replayStderr();
}
