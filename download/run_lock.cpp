// run_lock.cpp: one download run at a time.
#include "run_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "file_open.h"

namespace {

// Another run may remove and make the lock file while we take it; after
// this many tries in a row something is playing with it.
constexpr int kAttempts = 8;
// Readable by every user: flock works on a read-only descriptor, so a run
// of another user can take a lock that root's run made.
constexpr mode_t kLockMode = 0644;

// Never follows a link and never waits: a FIFO planted at the path would
// block a plain open() for good.
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// The lock file, opened; made when missing. An existing file is opened
// without O_CREAT first: where /tmp protects files of other users from
// O_CREAT opens, a file another user's run made is still ours to lock.
int openLockFile(const char* path) {
    for (;;) {
        const int fd = openDescriptor(path, kOpenFlags);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        const int made = openDescriptor(path, kOpenFlags | O_CREAT | O_EXCL, kLockMode);
        if (made >= 0) {
            // Whatever the umask says.
            ::fchmod(made, kLockMode);
            return made;
        }
        if (errno != EEXIST)
            return -1;
    }
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool RunLock::fail(int error) {
    fd.reset();
    current = State::Failed;
    failure = error;
    return false;
}

RunLock::RunLock(const char* path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        fd.reset(openLockFile(path));
        if (!fd) {
            fail(errno);
            return;
        }
        struct stat opened;
        if (::fstat(fd.get(), &opened) != 0) {
            fail(errno);
            return;
        }
        if (!S_ISREG(opened.st_mode)) {
            fail(S_ISDIR(opened.st_mode) ? EISDIR : EINVAL);
            return;
        }
        int locked;
        do
            locked = ::flock(fd.get(), LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            if (errno == EWOULDBLOCK) {
                fd.reset();
                current = State::Busy;
            } else {
                fail(errno);
            }
            return;
        }
        // The lock counts only on the file that stands at the path now: a
        // run that removed the file and made a new one between our open and
        // our flock locks that one.
        struct stat standing;
        if (::lstat(path, &standing) == 0 && sameFile(opened, standing)) {
            current = State::Held;
            return;
        }
    }
    fail(EAGAIN);
}
