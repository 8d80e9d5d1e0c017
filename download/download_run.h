// download_run.h: one download run, from the channel list to the EPG file.
#pragma once

#include "run_seams.h"

// Fetches a guide document per enabled channel and day, converts them into
// the EPG file at epgFilename, tells the view of each fetch and returns what
// happened. The file is replaced only when the run keeps what it fetched.
RunReport runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                      DownloadView& view, const Clock& clock, CommandRunner& shell);
