// run_texts.h: the download run as the TV shows it: the progress of each
// fetch and the outcome, in the dialog's info label.
#pragma once

#include <string>

#include "run_report.h"

// "Downloading:\t1 of 3\n\nChannel 501:\tCanale Uno\nDate:\t28 / 02".
std::string progressText(const FetchStart& fetch);

// "Reading guide:\nguide.example.org\n\n12.3 MB read\n4567 programmes":
// where a whole guide comes from (a URL's host, a file's name; a long one
// shortened in its middle) and how far its reading has come.
std::string guideProgressText(const GuideProgress& progress);

// The outcome, ending "Press EXIT to close": only the exit key closes the
// dialog. When no place of a whole guide brought one, the last place tried
// and why.
std::string outcomeText(const RunReport& report);

// Why a run refuses an EPG path, in the dialog's words: "it is the channel list".
std::string clashText(EpgPathClash clash);

// What the main page says after Save stored an EPG path that a download
// will refuse.
std::string refusedOnSaveText(const char* path, EpgPathClash clash);
