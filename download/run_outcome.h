// run_outcome.h: the rules that pick a run's outcome from what its channels brought.
#pragma once

#include <vector>

#include "guide_source.h"
#include "run_report.h"

// How the channel pass ended, besides what each channel brought.
struct RunEnding {
    SourceStop stop = SourceStop::None;
    bool writeFailed = false;
};

// Whether the new EPG file is worth putting in place: not when the run was
// interrupted (whatever it fetched), could not start wget, failed to write,
// or brought no new guide at all: then the old file stays exactly as it
// was, its time of modification too, so that the next run tries again.
bool newFileWorthKeeping(const RunEnding& ending, const std::vector<ChannelReport>& channels);

// The outcome, once the new file was put in place (replaced) or not. A
// write failure, or a file worth keeping that could not be put in place,
// is a failure of the output whose details the run adds.
RunOutcome runOutcome(const RunEnding& ending, bool replaced, const std::vector<ChannelReport>& channels);
