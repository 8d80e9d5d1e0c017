// run_report.h: what a download run did, as data: per fetch, per channel and
// as a whole. Each front end words it its own way.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "calendar.h"
#include "channel_list.h"
#include "failure.h"
#include "xmltv_problem.h"

// How one fetch of a channel's day ended.
enum class FetchResult {
    Data,         // a document with at least one event
    Cut,          // a document with events, longer than the part read: the
                  // day's events after the cut are missing
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
    // A guide of every channel and day at once: the days of the run on
    // which one of the channel's events starts, of daysAsked; -1 for a
    // day's document.
    int daysFound = -1;
    int daysAsked = 0;
    // A whole guide's channel without events: no location brought a guide;
    // or the guide names no such channel (no <channel>, no programme), with
    // the ids of up to three of its channels that come closest, when they
    // were looked for.
    bool noGuide = false;
    bool notInGuide = false;
    std::vector<std::string> closest{};
};

// How far the reading of a whole guide has come.
struct GuideProgress {
    const std::string& location;
    long long bytesRead;   // as they came, packed or not
    long long programmes;  // <programme> elements seen, of any channel
};

// One location of a whole guide, tried.
struct LocationReport {
    std::string location;
    // How its fetch ended: Data when the guide was read whole; Nothing
    // (the fetch or the guide failed: see problem), TimedOut, Interrupted
    // or NoWget.
    FetchResult result = FetchResult::Nothing;
    XmltvProblem problem;
    long long bytesRead = 0;
    long long programmes = 0;

    bool brought() const { return result == FetchResult::Data; }
};

// One enabled channel as the run left it.
struct ChannelReport {
    int ordinal = 0;
    int id = 0;
    std::string name;
    int daysAsked = 0;
    int daysConverted = 0;    // days whose document held at least one event
    int daysCut = 0;          // of those, days whose document was cut
    int eventsConverted = 0;  // events found in its converted documents
    FetchResult lastFetch = FetchResult::Skipped;
    // It brought no guide data, and its block from the old EPG file was
    // copied into the new one.
    bool keptOldGuide = false;

    // The report of a channel the pass reaches, before anything is fetched.
    static ChannelReport reached(int ordinal, const ChannelEntry& channel, int daysAsked) {
        ChannelReport report;
        report.ordinal = ordinal;
        report.id = channel.id;
        report.name = channel.name;
        report.daysAsked = daysAsked;
        return report;
    }

    bool broughtData() const { return daysConverted > 0; }
    bool complete() const { return daysConverted >= daysAsked && daysCut == 0; }
};

enum class RunOutcome {
    Done,         // EPG file replaced; every channel brought every day whole
    Incomplete,   // EPG file replaced; some channels or days brought none, or were cut
    NoGuideData,  // no channel brought data: the old file is kept
    Interrupted,  // asked to stop: the old file is kept
    NoWget,       // the fetch command could not be started: the old file is kept
    Failed,       // the failure says what; the old file is kept
};

// How many of the channels the test holds for.
template <class Test>
int channelsWhere(const std::vector<ChannelReport>& channels, Test test) {
    return static_cast<int>(std::count_if(channels.begin(), channels.end(), test));
}

struct RunReport {
    RunOutcome outcome = RunOutcome::NoGuideData;
    Failure failure;  // set when the outcome is Failed
    // The channels the run reached, in the list's order.
    std::vector<ChannelReport> channels;
    // The locations of a whole guide that were tried, in order.
    std::vector<LocationReport> locations;

    // True when the EPG file now holds this run's guide.
    bool replaced() const { return outcome == RunOutcome::Done || outcome == RunOutcome::Incomplete; }
    int channelsWithoutData() const;
    // Channels that brought some days but fewer than asked.
    int channelsShort() const;
    // Channels that brought a day whose document was cut.
    int channelsCut() const;
    int channelsKept() const;
};
