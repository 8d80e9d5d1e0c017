// download_run.h: one download run, from the channel list to the EPG file.
#pragma once

#include "guide_source.h"
#include "run_seams.h"

// Converts what source brings for each enabled channel of the list into
// the EPG file at epgFilename, tells the view of each fetch and returns
// what happened. The file is replaced only when the run keeps what it
// fetched; a channel that brought nothing keeps its block of the old file.
RunReport runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                      DownloadView& view, const Clock& clock, GuideSource& source);
