// guide_conversion.h: turns guide documents into EPG file records.
#pragma once

#include <cstdio>
#include <ctime>

#include "epg_file.h"

// Subtracts the local zone's offset east of UTC in force at the instant t.
long LocalTime2UTC(long t);

// The conversion state of one download run. An event's record is written
// only once the next event's start is known, so the state carries over from
// one day's document to the next within a channel.
class GuideConverter {
public:
    // Resets the current and previous hour and minute to 0.
    void beginRun();
    // Drops any pending record and starts the sequence at 1. The channel's
    // header and trailer are the run's to write: the last event of each
    // channel is never written, since no successor gives it a duration.
    void beginChannel();
    // Converts one NUL-terminated document; dayOffset is the day number x 86400.
    // Returns the events found in it: each a title with an event's end after it.
    int convertDocument(std::FILE* epg, const char* document, long dayOffset, time_t localMidnight);

private:
    PendingRecord pending;
    int sequence = 1;
    int hour = 0;
    int minute = 0;
    int previousHour = 0;
    int previousMinute = 0;
};
