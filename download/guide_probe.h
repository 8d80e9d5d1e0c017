// guide_probe.h: one look at each enabled channel's guide, to see which ones the source answers.
#pragma once

#include <vector>

#include "guide_source.h"
#include "run_report.h"
#include "run_seams.h"

enum class ProbeOutcome {
    Done,         // every enabled channel was looked at
    Interrupted,  // asked to stop: the channels after the last one reached were not
    NoWget,       // the fetch command could not be started: no channel after it was tried
    Failed,       // the failure says what: nothing was fetched
};

struct ProbeReport {
    ProbeOutcome outcome = ProbeOutcome::Done;
    Failure failure;   // set when the outcome is Failed
    GuideDate date{};  // today: the first day looked at
    int days = 1;      // the days looked at, from today
    int total = 0;     // the enabled channels
    // The channels reached, in the list's order: what each brought, as a
    // run's report has it.
    std::vector<ChannelReport> channels;
    // The locations of a whole guide that were tried, in order.
    std::vector<LocationReport> locations;

    int channelsWithEvents() const;
};

// Under the run's lock, has source convert days (from today) of each
// enabled channel of places.channelList, with the records going nowhere,
// and tells what each brought. No EPG file is read or written. The view
// hears of each fetch as a run's view does.
ProbeReport probeGuide(const DownloadPlaces& places, int days, DownloadView& view, const Clock& clock,
                       GuideSource& source);
