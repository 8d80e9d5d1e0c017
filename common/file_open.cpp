// file_open.cpp: opening files close-on-exec, above the standard descriptors, without blocking.
#include "file_open.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A signal handler installed without SA_RESTART interrupts an open that
// waits (on a slow or network file system); a few more tries get past a
// stray signal, while one that keeps coming is reported.
constexpr int kOpenTries = 4;

// The fdopen mode for open flags. "b" changes nothing on our systems but
// says that the bytes are taken as they are.
const char* streamMode(int flags) {
    switch (flags & O_ACCMODE) {
    case O_WRONLY: return (flags & O_APPEND) ? "ab" : "wb";
    case O_RDWR: return (flags & O_APPEND) ? "a+b" : "r+b";
    default: return "rb";
    }
}

// Closes fd and gives back the errno of the failure that made us drop it.
int dropWith(int fd, int error) {
    ::close(fd);
    errno = error;
    return -1;
}

FileHandle streamOf(int fd, int flags) {
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, streamMode(flags));
    if (!stream)
        dropWith(fd, errno);
    return FileHandle(stream);
}

}  // namespace

int aboveStandardDescriptors(int fd) {
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int error = errno;
    ::close(fd);
    errno = error;
    return moved;
}

int openDescriptor(const char* path, int flags, mode_t mode) {
    return aboveStandardDescriptors(::open(path, flags | O_CLOEXEC, mode));
}

FileHandle openFile(const char* path, int flags, mode_t mode) {
    return streamOf(openDescriptor(path, flags, mode), flags);
}

int openRegularDescriptor(const char* path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for good. O_NOCTTY: a terminal named here must not become ours.
    int fd;
    int tries = 0;
    do
        fd = openDescriptor(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR && ++tries < kOpenTries);
    if (fd < 0)
        return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return dropWith(fd, errno);
    if (!S_ISREG(status.st_mode))
        return dropWith(fd, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return dropWith(fd, errno);
    return fd;
}

FileHandle openRegularFile(const char* path) {
    return streamOf(openRegularDescriptor(path), O_RDONLY);
}

bool fillStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Not close-on-exec: the commands we start must find it there too.
        // The lowest free number is taken, which is fd, as those below it
        // are open by now.
        const int null = ::open("/dev/null", O_RDWR | O_NOCTTY);
        if (null < 0)
            return false;
        if (null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    return true;
}
