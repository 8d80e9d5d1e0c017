// run_texts.h: the download run as the TV shows it: the progress of each
// fetch and the outcome, in the dialog's info label.
#pragma once

#include <string>

#include "run_report.h"

// "Downloading:\t1 of 3\n\nChannel 501:\tCanale Uno\nDate:\t28 / 02".
std::string progressText(const FetchStart& fetch);

// The outcome, ending "Press EXIT to close": only the exit key closes the dialog.
std::string outcomeText(const RunReport& report);

// Why a run refuses an EPG path, in the dialog's words: "it is the channel list".
std::string clashText(EpgPathClash clash);

// What the main page says after Save stored an EPG path that a download
// will refuse.
std::string refusedOnSaveText(const char* path, EpgPathClash clash);
