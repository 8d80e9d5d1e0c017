// failure.h: why a run or a probe stopped before its channels or could not
// keep what they brought: what failed, the file and the system's reason.
#pragma once

#include <string>

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
};

struct Failure {
    FailureKind what = FailureKind::None;
    std::string path;
    int error = 0;  // an errno value; 0 when the system gave none

    explicit operator bool() const { return what != FailureKind::None; }
};
