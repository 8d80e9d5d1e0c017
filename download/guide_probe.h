// guide_probe.h: one fetch of today's document per enabled channel, to see which ones the service answers.
#pragma once

#include <string>
#include <vector>

#include "run_seams.h"

// What today's fetch brought one enabled channel.
struct ProbedChannel {
    int ordinal = 0;  // its place among the enabled channels, from 1
    int id = 0;
    std::string name;
    // Data, NotAGuide, Nothing, TimedOut, NoWget or Interrupted.
    FetchResult result = FetchResult::Nothing;
    int events = 0;  // found in its document

    bool hasEvents() const { return events > 0; }
};

enum class ProbeOutcome {
    Done,                // every enabled channel was fetched once
    Interrupted,         // asked to stop: the channels after the last one reached were not fetched
    NoWget,              // the fetch command could not be started: no channel after it was tried
    Busy,                // a download run holds the lock; nothing was fetched
    LockFailed,          // the lock can't be used (failedPath, error)
    ChannelListMissing,  // the list could not be read (failedPath, error)
    NoChannel,           // the list (failedPath) enables no channel
    NullDeviceFailed,    // /dev/null, where the events are counted, could not be opened (error)
};

struct ProbeReport {
    ProbeOutcome outcome = ProbeOutcome::Done;
    // The file a failure concerns, and the system's reason (an errno value,
    // 0 when the system gave none).
    std::string failedPath;
    int error = 0;
    GuideDate date{};  // today: the day whose documents were fetched
    int total = 0;     // the enabled channels
    // The channels reached, in the list's order.
    std::vector<ProbedChannel> channels;

    int channelsWithEvents() const;
};

// Under the run's lock, fetches today's document of each enabled channel
// of places.channelList once, through shell, into places.tempDir, and
// counts its events. Each channel is fetched, even after time-outs: a probe
// is asked which channels answer. Every document is deleted once counted;
// no EPG file is read or written. The view hears of each fetch as a run's
// view does, for day 1.
ProbeReport probeGuide(const DownloadPlaces& places, DownloadView& view, const Clock& clock,
                       CommandRunner& shell);
