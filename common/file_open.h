// file_open.h: opening files as every part of the run must: close-on-exec,
// never on descriptors 0, 1 or 2, and files that must be regular without
// ever blocking.
#pragma once

#include <sys/types.h>

#include "file_handle.h"

// A host or a cron line may start us with a standard descriptor closed; a
// file opened then would take its number, and whatever is written to
// standard output or error (progress lines, the host's messages) would
// land in it. Returns fd when it is above 2; otherwise a close-on-exec copy
// above 2, the original closed. -1, with errno, when fd was -1 or no copy
// could be made (the original is closed then too).
int aboveStandardDescriptors(int fd);

// open(2), close-on-exec, and never on 0, 1 or 2. -1 with errno.
int openDescriptor(const char* path, int flags, mode_t mode = 0);

// The same as a FILE*: read for O_RDONLY, write for O_WRONLY ("a" with
// O_APPEND), read and write for O_RDWR. Null with errno.
FileHandle openFile(const char* path, int flags, mode_t mode = 0);

// Opens, for reading, a file that must be a regular file: a FIFO, a device
// or a socket is never waited for (the open does not block) and is refused
// with EINVAL, a directory with EISDIR. An open that signals interrupt
// again and again ends with EINTR, so that it is told from a missing file
// (ENOENT). The descriptor is close-on-exec, above 2, and blocks as usual.
// -1 with errno.
int openRegularDescriptor(const char* path);
FileHandle openRegularFile(const char* path);

// For main() of a front end, before anything else: /dev/null on each of
// descriptors 0, 1 and 2 that is closed, inherited by the commands it
// starts. False when /dev/null could not be opened; the files of the run
// stay off those numbers all the same.
bool fillStandardDescriptors();
