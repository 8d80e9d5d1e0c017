// download_run.h: one download run, from the channel list to the EPG file.
#pragma once

#include "run_seams.h"

enum class RunOutcome {
    Done,         // EPG file replaced; every enabled channel brought data
    Incomplete,   // EPG file replaced; some channels brought none
    NotReplaced,  // EPG file left as it was: no list, no data, not writable
    Busy,         // another run holds the lock; nothing was touched
};

// Fetches a guide document per enabled channel and day, converts them into
// the EPG file at epgFilename, and shows progress and outcome on the view.
RunOutcome runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                       DownloadView& view, const Clock& clock, CommandRunner& shell);
