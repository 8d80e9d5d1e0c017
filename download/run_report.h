// run_report.h: what a download run did, as data: per fetch, per channel and
// as a whole. Each front end words it its own way.
#pragma once

#include <string>
#include <vector>

#include "calendar.h"
#include "channel_list.h"
#include "epg_path_check.h"

// How one fetch of a channel's day ended.
enum class FetchResult {
    Data,         // a document with at least one event
    NotAGuide,    // a document, but no event in it: an error page, junk
    Nothing,      // no document, one too short to hold a guide, or a fetch
                  // that failed (its document, maybe cut, is dropped)
    TimedOut,     // ended after the time limit; its partial document is dropped
    Skipped,      // not started: the service stopped answering earlier in the run
    Interrupted,  // ended because the whole run was asked to stop
    NoWget,       // the shell could not start the fetch command
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
    int events = 0;  // found in its document
};

// One enabled channel as the run left it.
struct ChannelReport {
    int ordinal = 0;
    int id = 0;
    std::string name;
    int daysAsked = 0;
    int daysConverted = 0;    // days whose document held at least one event
    int eventsConverted = 0;  // events found in its converted documents
    FetchResult lastFetch = FetchResult::Skipped;
    // It brought no guide data, and its block from the old EPG file was
    // copied into the new one.
    bool keptOldGuide = false;

    bool broughtData() const { return daysConverted > 0; }
    bool complete() const { return daysConverted >= daysAsked; }
};

enum class RunOutcome {
    Done,                // EPG file replaced; every channel brought every day
    Incomplete,          // EPG file replaced; some channels or days brought none
    NoGuideData,         // no channel brought data: the old file is kept
    Interrupted,         // asked to stop: the old file is kept
    NoWget,              // the fetch command could not be started: the old file is kept
    Busy,                // another run holds the lock; nothing was touched
    LockFailed,          // the lock can't be used (failedPath, error); nothing was touched
    ChannelListMissing,  // the list could not be opened (failedPath, error)
    NoChannel,           // the list (failedPath) enables no channel; nothing was touched
    OutputNotOpened,     // the EPG file cannot be written (failedPath, error)
    OutputNotWritten,    // writing or putting it in place failed (failedPath, error)
    EpgPathRefused,      // the EPG path (failedPath) would destroy a file of the user's
                         // (clash); nothing was touched
};

struct RunReport {
    RunOutcome outcome = RunOutcome::NoGuideData;
    // The file a failure concerns, and the system's reason (an errno value,
    // 0 when the system gave none).
    std::string failedPath;
    int error = 0;
    // What the EPG path would have destroyed, for EpgPathRefused.
    EpgPathClash clash = EpgPathClash::None;
    // The channels the run reached, in the list's order.
    std::vector<ChannelReport> channels;

    // True when the EPG file now holds this run's guide.
    bool replaced() const { return outcome == RunOutcome::Done || outcome == RunOutcome::Incomplete; }
    int channelsWithoutData() const;
    // Channels that brought some days but fewer than asked.
    int channelsShort() const;
    int channelsKept() const;
};
