// safe_file.cpp: replaces a file in one step.
#include "safe_file.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_handle.h"
#include "file_open.h"

namespace {

// As the kernel follows a chain of links before it gives up with ELOOP.
constexpr int kMostLinks = 40;
// Unique names are random: after this many taken in a row, something is
// making them on purpose.
constexpr int kNameTries = 100;
constexpr char kUniqueMark[] = "XXXXXX";

bool copyPath(char* out, std::size_t size, const char* path) {
    const int written = std::snprintf(out, size, "%s", path);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

// Opening for writing without truncating fails where fopen "wb" would (a
// read-only file or file system) but leaves the contents alone.
bool writable(const char* path) {
    return FdHandle(openDescriptor(path, O_WRONLY | O_NONBLOCK)).get() >= 0;
}

// The directory part of path, "." when it has none.
void directoryOf(const char* path, char (&out)[PATH_MAX]) {
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        std::snprintf(out, sizeof out, ".");
    else if (slash == path)
        std::snprintf(out, sizeof out, "/");
    else
        std::snprintf(out, sizeof out, "%.*s", static_cast<int>(slash - path), path);
}

// A failure here costs durability only: the new file is already complete.
void syncDirectory(const char* path) {
    char directory[PATH_MAX];
    directoryOf(path, directory);
    FdHandle fd(openDescriptor(directory, O_RDONLY | O_DIRECTORY));
    if (fd)
        ::fsync(fd.get());
}

// The temporary path beside path, for the naming given.
bool tempPathFor(char* out, std::size_t size, const char* path, SafeFile::TempName naming) {
    const char* suffix = naming == SafeFile::TempName::Fixed ? "tarvio-new" : kUniqueMark;
    const char* slash = std::strrchr(path, '/');
    int written;
    if (!slash)
        written = std::snprintf(out, size, ".%s.%s", path, suffix);
    else
        written = std::snprintf(out, size, "%.*s/.%s.%s", static_cast<int>(slash - path), path,
                                slash + 1, suffix);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

// Six characters for a unique name. No process-wide generator is drawn
// from (a host's rand() sequence is its own): the process, the time and a
// count are mixed; O_EXCL, not chance, keeps two names apart.
void fillUniqueMark(char* mark) {
    static std::atomic<std::uint32_t> count{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t bits = (static_cast<std::uint64_t>(::getpid()) << 40) ^
                         (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                         (static_cast<std::uint64_t>(count.fetch_add(1)) * 0x9E3779B97F4A7C15u);
    // splitmix64's finaliser, so that near values give far names.
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
    bits ^= bits >> 31;
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (std::size_t i = 0; i < sizeof kUniqueMark - 1; ++i) {
        mark[i] = kLetters[bits % (sizeof kLetters - 1)];
        bits /= sizeof kLetters - 1;
    }
}

// Makes the temporary file at temp, which ends in kUniqueMark, under a
// name no file has. The mode is open's: the kernel takes the umask off.
int createUnique(char* temp, mode_t mode) {
    char* mark = temp + std::strlen(temp) - (sizeof kUniqueMark - 1);
    for (int tries = 0; tries < kNameTries; ++tries) {
        fillUniqueMark(mark);
        const int fd = openDescriptor(temp, O_WRONLY | O_CREAT | O_EXCL, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool resolveWritePath(const char* path, char* out, std::size_t size) {
    if (!copyPath(out, size, path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    for (int links = 0;; ++links) {
        struct stat status;
        if (::lstat(out, &status) != 0)
            // Not there (yet): this is where the file goes. Any other
            // failure is left to the open that follows.
            return true;
        if (!S_ISLNK(status.st_mode))
            return true;
        if (links == kMostLinks) {
            errno = ELOOP;
            return false;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(out, link, sizeof link - 1);
        if (length < 0)
            return false;
        link[length] = '\0';
        // A relative link counts from the folder the link stands in; the
        // kernel then resolves that spelling as it would the link.
        char next[PATH_MAX];
        const char* slash = std::strrchr(out, '/');
        int written;
        if (link[0] == '/' || !slash)
            written = std::snprintf(next, sizeof next, "%s", link);
        else if (slash == out)
            written = std::snprintf(next, sizeof next, "/%s", link);
        else
            written = std::snprintf(next, sizeof next, "%.*s/%s", static_cast<int>(slash - out), out, link);
        if (written < 0 || static_cast<std::size_t>(written) >= sizeof next ||
            !copyPath(out, size, next)) {
            errno = ENAMETOOLONG;
            return false;
        }
    }
}

SafeFile::~SafeFile() {
    discard();
}

bool SafeFile::open(const char* path, TempName naming, mode_t newFileMode) {
    discard();
    lastError = 0;
    if (!path || !*path)
        return fail(ENOENT);
    if (!copyPath(target, sizeof target, path))
        return fail(ENAMETOOLONG);

    // A link is written through, also to a file it names that is not made
    // yet: the new file goes where the link points.
    if (!resolveWritePath(path, target, sizeof target))
        return fail(errno);

    struct stat status;
    const bool exists = ::stat(target, &status) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists && S_ISDIR(status.st_mode))
        return fail(EISDIR);
    if (exists && !S_ISREG(status.st_mode))
        return fail(EINVAL);
    if (exists && !writable(target))
        return fail(errno);
    // A path ending in a slash names a directory, never a file.
    if (target[std::strlen(target) - 1] == '/')
        return fail(EISDIR);

    if (!tempPathFor(temp, sizeof temp, target, naming)) {
        temp[0] = '\0';
        return fail(ENAMETOOLONG);
    }
    // A new file gets newFileMode less the umask from open itself; one that
    // replaces a file starts private and gets that file's mode below. The
    // umask is never set: other threads of the host create files meanwhile.
    const mode_t createMode = exists ? 0600 : newFileMode;
    FdHandle fd;
    if (naming == TempName::Fixed) {
        // Whatever stands there was left by a writer that was killed.
        ::unlink(temp);
        fd.reset(openDescriptor(temp, O_WRONLY | O_CREAT | O_EXCL, createMode));
    } else {
        fd.reset(createUnique(temp, createMode));
    }
    if (!fd) {
        temp[0] = '\0';
        return fail(errno);
    }

    if (exists) {
        if (::fchown(fd.get(), status.st_uid, status.st_gid) != 0) {
            // Only root may give a file away; otherwise the file stays ours.
        }
        ::fchmod(fd.get(), status.st_mode & 07777);
    }

    out = ::fdopen(fd.get(), "wb");
    if (!out)
        return fail(errno);
    fd.release();
    return true;
}

bool SafeFile::commit() {
    if (!out)
        return false;
    // ferror without a failing call leaves errno to an earlier write.
    errno = EIO;
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    // The data must be on the storage before the rename is, or a power cut
    // could leave an empty file in the old one's place.
    written = written && ::fsync(::fileno(out)) == 0;
    int error = errno;
    if (std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    out = nullptr;
    if (!written)
        return fail(error);
    if (::rename(temp, target) != 0)
        return fail(errno);
    temp[0] = '\0';
    syncDirectory(target);
    return true;
}

bool SafeFile::fail(int error) {
    discard();
    lastError = error;
    return false;
}

void SafeFile::discard() {
    if (out) {
        std::fclose(out);
        out = nullptr;
    }
    if (temp[0]) {
        ::unlink(temp);
        temp[0] = '\0';
    }
}
