// xmltv_events.h: one channel's XMLTV programmes made events of the EPG file: order, ends, window, records.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A programme as the guide gives it, its times read, its texts cleaned
// (see XmltvText). Texts may be longer than a record keeps: the record is
// cut when it is written.
struct XmltvProgramme {
    long long start = 0;  // seconds since 1970
    long long stop = 0;   // seconds since 1970, when hasStop
    bool hasStop = false;  // false also when the stop could not be read
    std::string title;
    std::string genre;        // the category
    std::string description;  // see composeDescription
};

// A programme that is an event of the EPG file, with its end settled.
struct XmltvEvent {
    long long start = 0;
    long long end = 0;
    std::string title;
    std::string genre;
    std::string description;
};

// The D line's text from a programme's sub-title and description, each
// cleaned: "SUB - DESC", or the one of them that is not empty. It keeps no
// more than a record can hold (kDescriptionMax) and one byte more, so that
// the cut made when writing can tell where a character ends.
std::string composeDescription(std::string_view subTitle, std::string_view description);

// The events of one channel's programmes, given in the guide's order, that
// fall in the window [windowStart, windowEnd), in order of start.
std::vector<XmltvEvent> xmltvEvents(std::vector<XmltvProgramme> programmes, long long windowStart,
                                    long long windowEnd);

// Writes the events' records, numbered from 1: the E line with the event's
// true start and its length in seconds, the L line that length in whole
// minutes. The title and the genre keep at most 255 bytes, the description
// what keeps the record within kDescriptionMax; no cut splits a character.
// The channel's header and trailer are the caller's.
void writeXmltvEvents(std::FILE* epg, const std::vector<XmltvEvent>& events);

// On how many days an event starts. dayStarts holds each day's first
// instant, in order, and the instant after the last day: a window of N days
// gives N + 1 instants (the local midnights, whatever each day's length).
int countEventDays(const std::vector<XmltvEvent>& events, const std::vector<long long>& dayStarts);
