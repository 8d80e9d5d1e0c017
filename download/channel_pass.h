// channel_pass.h: what a run and a probe do before their channels: the lock, the list, today.
#pragma once

#include <cerrno>
#include <ctime>
#include <memory>
#include <vector>

#include "calendar.h"
#include "channel_list.h"
#include "failure.h"
#include "run_lock.h"
#include "run_seams.h"

// The enabled channels of the list, read once under the run's lock, and
// the day the pass counts from. The lock is held as long as the pass lives.
// The failure is an open of the list that a signal interrupted: the run
// was asked to stop, the list is not missing.
inline bool interruptedBy(const Failure& failure) {
    return failure.what == FailureKind::ChannelListMissing && failure.error == EINTR;
}

class ChannelPass {
public:
    // Takes the lock (two runs would share the temporary documents, delete
    // each other's and race for the EPG file; a lock that can't be taken
    // refuses the pass, since going on unlocked could do exactly that),
    // reads the list into its channels, and takes today's date and local
    // midnight from the clock. A list that can't be read, or enables no
    // channel, is a failure: nothing of a run is touched then. A signal
    // that interrupted opening the list is ChannelListMissing with EINTR
    // (see interruptedBy).
    Failure begin(const DownloadPlaces& places, const Clock& clock);

    const std::vector<ChannelEntry>& channels() const { return enabled; }
    int total() const { return static_cast<int>(enabled.size()); }
    const GuideDate& today() const { return date; }
    std::time_t midnight() const { return todayMidnight; }

private:
    std::unique_ptr<RunLock> lock;
    std::vector<ChannelEntry> enabled;
    GuideDate date{};
    std::time_t todayMidnight = 0;
};
