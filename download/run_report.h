// run_report.h: what a download run did, as data: per fetch, per channel and
// as a whole. Each front end words it its own way.
#pragma once

#include <string>
#include <vector>

#include "calendar.h"
#include "channel_list.h"

// How one fetch of a channel's day ended.
enum class FetchResult {
    Data,         // a document worth converting
    Nothing,      // no document, or too short to hold a guide
    TimedOut,     // ended after the time limit; its partial document is dropped
    Skipped,      // not started: the service stopped answering earlier in the run
    Interrupted,  // ended because the whole run was asked to stop
};

// A fetch about to start.
struct FetchStart {
    int ordinal;  // the channel's place among the enabled ones, from 1
    int total;    // the enabled channels
    const ChannelEntry& channel;
    GuideDate date;
    int dayNumber;  // from 1
};

// A fetch that has ended, or a channel's fetches that were never started.
struct FetchReport {
    int ordinal;
    int total;
    const ChannelEntry& channel;
    GuideDate date;
    FetchResult result;
};

// One enabled channel as the run left it.
struct ChannelReport {
    int ordinal = 0;
    int id = 0;
    std::string name;
    int daysAsked = 0;
    int daysConverted = 0;
    int eventsConverted = 0;  // events found in its converted documents
    FetchResult lastFetch = FetchResult::Skipped;
};

enum class RunOutcome {
    Done,              // EPG file replaced; every channel brought data
    Incomplete,        // EPG file replaced; some channels brought none
    NoGuideData,       // no channel brought data: the old file is kept
    Interrupted,       // asked to stop: the old file is kept
    Busy,              // another run holds the lock; nothing was touched
    ChannelListMissing,  // the list could not be opened (failedPath, error)
    OutputNotOpened,     // the EPG file cannot be written (failedPath, error)
    OutputNotWritten,    // writing or putting it in place failed (failedPath, error)
};

struct RunReport {
    RunOutcome outcome = RunOutcome::NoGuideData;
    // The file a failure concerns, and the system's reason (an errno value,
    // 0 when the system gave none).
    std::string failedPath;
    int error = 0;
    // The channels the run reached, in the list's order.
    std::vector<ChannelReport> channels;

    // True when the EPG file now holds this run's guide.
    bool replaced() const { return outcome == RunOutcome::Done || outcome == RunOutcome::Incomplete; }
    int channelsWithoutData() const;
};
