// guide_source.h: where a run's guide comes from: the records of one channel at a time.
#pragma once

#include <cstdio>
#include <ctime>
#include <vector>

#include "run_report.h"
#include "run_seams.h"

// The days a run asks of every channel, from today.
struct RunDays {
    GuideDate today;
    std::time_t midnight;  // today's local midnight
    int days;              // at least 1
};

// One channel of the pass: its place among the enabled ones and its line.
struct ChannelStep {
    int ordinal;  // from 1
    int total;
    const ChannelEntry& channel;
};

// Why a source fetches nothing more.
enum class SourceStop {
    None,
    Interrupted,  // the run was asked to stop
    NoWget,       // the fetch command can't be started
};

// A source brings the records between a channel's header and trailer,
// which the run writes. The day documents fetch a document per channel and
// day; a source with one document for every channel fetches it in begin().
class GuideSource {
public:
    // Once, before the first channel, with the channels the pass goes through.
    virtual void begin(const RunDays& days, const std::vector<ChannelEntry>& channels, DownloadView& view) = 0;
    // Writes the channel's records to epg, tells the view of each fetch and
    // fills in what the channel brought: days and events converted, days
    // cut, how its last fetch ended. A write error on epg ends the
    // channel; the run sees it on the stream.
    virtual void convertChannel(const ChannelStep& step, std::FILE* epg, ChannelReport& report) = 0;
    // Once, at the end, whatever happened: removes what the fetches left.
    virtual void end() = 0;
    // Fetching more would only cost time, or could not work.
    virtual SourceStop stop() const = 0;
    // The locations of a whole guide it tried, for the report.
    virtual std::vector<LocationReport> locations() const { return {}; }

protected:
    ~GuideSource() = default;
};
