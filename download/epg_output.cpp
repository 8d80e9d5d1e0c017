// epg_output.cpp: writes the new EPG file beside the old one and puts it in place in one step.
#include "epg_output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool copyPath(char* out, std::size_t size, const char* path) {
    const int written = std::snprintf(out, size, "%s", path);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

// Opening for writing without truncating fails where fopen "wb" would (a
// read-only file or file system) but leaves the contents alone.
bool writable(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// "<dir>/.<base>.XXXXXX" beside the target, for mkstemp.
bool tempTemplate(char* out, std::size_t size, const char* target) {
    const char* slash = std::strrchr(target, '/');
    int written;
    if (!slash)
        written = std::snprintf(out, size, ".%s.XXXXXX", target);
    else
        written = std::snprintf(out, size, "%.*s/.%s.XXXXXX", static_cast<int>(slash - target), target,
                                slash + 1);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace

EpgOutput::~EpgOutput() {
    discard();
}

bool EpgOutput::open(const char* path) {
    discard();
    if (!path || !*path)
        return false;
    if (!copyPath(target, sizeof target, path))
        return false;

    // A link is written through, as opening it would: the link stays and
    // its target gets the new contents.
    struct stat status;
    if (::lstat(target, &status) == 0 && S_ISLNK(status.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path, resolved) || !copyPath(target, sizeof target, resolved))
            return false;
    }

    const bool exists = ::stat(target, &status) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && (!S_ISREG(status.st_mode) || !writable(target)))
        return false;
    // A path ending in a slash names a directory, never a file.
    if (target[std::strlen(target) - 1] == '/')
        return false;

    if (!tempTemplate(temp, sizeof temp, target))
        return false;
    // Close-on-exec: the commands the run starts (wget, rm) have no business
    // holding the new EPG file open.
    const int fd = ::mkostemp(temp, O_CLOEXEC);
    if (fd < 0) {
        temp[0] = '\0';
        return false;
    }

    // The new file gets what the old one had, or what creating it would give.
    if (exists) {
        if (::fchown(fd, status.st_uid, status.st_gid) != 0) {
            // Only root may give a file away; otherwise the file stays ours.
        }
        ::fchmod(fd, status.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    out = ::fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        discard();
        return false;
    }
    return true;
}

bool EpgOutput::commit() {
    if (!out)
        return false;
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    // The file must be on the storage before it replaces the old one, or a
    // power cut could leave an empty EPG file behind.
    written = written && ::fsync(::fileno(out)) == 0;
    written = std::fclose(out) == 0 && written;
    out = nullptr;
    if (!written || ::rename(temp, target) != 0) {
        discard();
        return false;
    }
    temp[0] = '\0';
    return true;
}

void EpgOutput::discard() {
    if (out) {
        std::fclose(out);
        out = nullptr;
    }
    if (temp[0]) {
        ::unlink(temp);
        temp[0] = '\0';
    }
}
