// run_lock.cpp: one download run at a time.
#include "run_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

RunLock::RunLock(const char* path) {
    // An existing lock file is opened without O_CREAT first: where /tmp
    // protects files of other users from O_CREAT opens, a file another
    // user's run made is still ours to lock.
    fd.reset(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd)
        fd.reset(::open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
    if (!fd)
        return;
    int locked;
    do
        locked = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked == 0)
        current = State::Held;
    else if (errno == EWOULDBLOCK)
        current = State::Busy;
}
