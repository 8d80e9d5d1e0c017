// safe_file.h: replaces a file in one step, so that readers see the old
// contents or the complete new ones, never a part.
#pragma once

#include <climits>
#include <cstdio>
#include <sys/types.h>

// The new contents go to a temporary file beside the target, which is
// flushed to storage and renamed over the target on commit; the directory
// is then synced too, so that a power cut after commit() returns keeps the
// new file. The box's storage is a USB stick that loses power with the box.
class SafeFile {
public:
    enum class TempName {
        Unique,  // ".<name>.XXXXXX", a new one each time (six random letters)
        Fixed,   // ".<name>.tarvio-new": for writers that hold a lock, so that a
                 // writer killed half-way leaves one file that the next
                 // run replaces, not one more each time
    };

    SafeFile() = default;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;
    ~SafeFile();

    // Opens the temporary file, close-on-exec and above descriptor 2. False
    // when the target could not be written or replaced: an empty path, a
    // missing directory, no permission, or a path that is not a regular
    // file; nothing is left behind then. A symbolic link is written
    // through, also one to a file not made yet (the file is made where it
    // points): the link stays. The new file keeps the old one's mode and
    // owner, or gets newFileMode less the umask. The umask is never changed.
    bool open(const char* path, TempName naming, mode_t newFileMode);

    std::FILE* file() const { return out; }

    // Puts the written file in place of the target. False, with the old
    // file untouched and ours removed, when anything failed on the way.
    bool commit();

    // Drops what was written; the target stays as it was.
    void discard();

    // Why the last open() or commit() failed: an errno value.
    int error() const { return lastError; }

private:
    // Notes why, drops what there is, and returns false.
    bool fail(int error);

    char target[PATH_MAX] = {};
    char temp[PATH_MAX + 16] = {};
    std::FILE* out = nullptr;
    int lastError = 0;
};

// Where a file written at path lands: path itself, or the end of its chain
// of symbolic links, whether a file stands there yet or not. A relative
// link counts from the folder it stands in. False, with errno, for a chain
// longer than the kernel follows (ELOOP) or a path too long.
bool resolveWritePath(const char* path, char* out, std::size_t size);
