// list_check.h: tarvio-fetch --check: the channel list as the run reads it, line by line.
#pragma once

// Exit statuses of the check.
constexpr int kCheckClean = 0;      // channels enabled, nothing warned
constexpr int kCheckWarned = 1;     // channels enabled, with warnings
constexpr int kCheckNoChannel = 2;  // no channel enabled, or the list unreadable

// What the text before a line's comma is to the run's source.
enum class ChannelIds {
    Numbers,  // the guide service's channel numbers
    Xmltv,    // an XMLTV guide's channel ids, matched without regard to ASCII case
};

// Reads the channel list at path with the run's reader and prints on
// standard output what the run makes of each line up to the end of the
// list, then a warning for each thing that makes the run read it otherwise
// than it looks, then the count. Quiet leaves out all but the warnings.
// Fetches nothing and writes no file. Returns one of the statuses above.
int checkChannelList(const char* path, ChannelIds ids, bool quiet);
