// terminal_guard.h: curses mode for the terminal, undone on every way out
// (normal return, exit(), fatal signals, uncaught exceptions).
#pragma once

class TerminalGuard {
public:
    // Enters curses mode. Standard error is kept in a temporary file while
    // the screen is drawn, and copied to the terminal afterwards.
    static bool start();
    // Leaves curses mode; does nothing when not in it.
    static void stop();
};
