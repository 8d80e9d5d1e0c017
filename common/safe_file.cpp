// safe_file.cpp: replaces a file in one step.
#include "safe_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_handle.h"

namespace {

bool copyPath(char* out, std::size_t size, const char* path) {
    const int written = std::snprintf(out, size, "%s", path);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

// Opening for writing without truncating fails where fopen "wb" would (a
// read-only file or file system) but leaves the contents alone.
bool writable(const char* path) {
    return FdHandle(::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC)).get() >= 0;
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
    FdHandle fd(::open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

// The temporary path beside path, for the naming given.
bool tempPathFor(char* out, std::size_t size, const char* path, SafeFile::TempName naming) {
    const char* suffix = naming == SafeFile::TempName::Fixed ? "tarvio-new" : "XXXXXX";
    const char* slash = std::strrchr(path, '/');
    int written;
    if (!slash)
        written = std::snprintf(out, size, ".%s.%s", path, suffix);
    else
        written = std::snprintf(out, size, "%.*s/.%s.%s", static_cast<int>(slash - path), path,
                                slash + 1, suffix);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace

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

    struct stat status;
    if (::lstat(target, &status) == 0 && S_ISLNK(status.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path, resolved))
            return fail(errno);
        if (!copyPath(target, sizeof target, resolved))
            return fail(ENAMETOOLONG);
    }

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
    FdHandle fd;
    if (naming == TempName::Fixed) {
        // Whatever stands there was left by a writer that was killed.
        ::unlink(temp);
        fd.reset(::open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    } else {
        fd.reset(::mkostemp(temp, O_CLOEXEC));
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
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.get(), newFileMode & ~mask);
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
