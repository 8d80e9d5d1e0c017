// failure.h: why a run or a probe stopped before its channels or could not
// keep what they brought: what failed, the file and the system's reason.
#pragma once

#include <string>
#include <utility>

#include "epg_path_check.h"

enum class FailureKind {
    None,
    Busy,                   // another run holds the lock (path: the lock file)
    LockFailed,             // the lock can't be used
    ChannelListMissing,     // the list could not be opened
    ChannelListUnreadable,  // the list was opened but could not be read
    NoChannel,              // the list enables no channel
    OutputNotOpened,        // the EPG file cannot be written
    OutputNotWritten,       // writing the EPG file or putting it in place failed
    NullDeviceFailed,       // /dev/null, where a probe's records go, could not be opened
    SourceFileUnreadable,   // the source file is no regular file or can't be read
    SourceFileBadLine,      // a line of the source file is none it may hold (line, detail)
    EpgPathRefused,         // the EPG path would destroy a file of the user's (clash);
                            // nothing was touched
};

struct Failure {
    Failure() = default;
    Failure(FailureKind what, std::string path, int error = 0) : what(what), path(std::move(path)), error(error) {}

    FailureKind what = FailureKind::None;
    std::string path;
    int error = 0;  // an errno value; 0 when the system gave none
    int line = 0;        // the line of a file it concerns, from 1
    std::string detail;  // what stands there, and why it is wrong
    EpgPathClash clash = EpgPathClash::None;  // what the EPG path would destroy

    explicit operator bool() const { return what != FailureKind::None; }
};
