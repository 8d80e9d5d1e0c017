// probe_command.h: tarvio-fetch --probe: which channels today's guide answers, one fetch each.
#pragma once

#include "guide_source.h"
#include "run_seams.h"

// Exit statuses of the probe.
constexpr int kProbeAllAnswered = 0;   // every enabled channel has events today
constexpr int kProbeSomeSilent = 1;    // some have none
constexpr int kProbeNoneAnswered = 2;  // none has, or the probe could not be made
constexpr int kProbeBusy = 3;          // a download run holds the lock

// Fetches today's document of each enabled channel once, through source,
// under the run's lock (a whole guide: reads it once and looks at days
// days from today), and prints on standard output a line per channel (on a
// terminal, the fetch or reading under way first), then the count. Quiet
// leaves out all but the channels without events. Why the probe could not
// be made goes to standard error. Writes no EPG file and leaves no
// document.
// Returns one of the statuses above.
int probeChannels(const DownloadPlaces& places, int days, GuideSource& source, bool quiet);
