// run_lock.h: one download run at a time.
#pragma once

#include "file_handle.h"

// An exclusive flock on the lock file, held until the object goes. The
// lock dies with its process, so a killed run leaves no stale lock, and its
// descriptor is close-on-exec, so no command the run started can keep it.
class RunLock {
public:
    enum class State { Held, Busy, Failed };

    explicit RunLock(const char* path);
    State state() const { return current; }
    // Why it Failed: an errno value; EINVAL when the path is not a regular file.
    int error() const { return failure; }

private:
    FdHandle fd;
    State current = State::Failed;
    int failure = 0;

    bool fail(int error);
};
