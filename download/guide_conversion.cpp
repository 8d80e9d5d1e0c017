// guide_conversion.cpp: turns guide documents into EPG file records.
#include "guide_conversion.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tag_scanner.h"

namespace {

// The text from `from` up to the closing tag, in place. Without a closing
// tag after it the text is empty.
std::string_view takeText(NextTag& closing, const char* from) {
    const char* end = closing.find(from);
    return {from, end ? static_cast<std::size_t>(end - from) : 0};
}

// The field opened by `opening` at or after the cursor, or empty.
std::string_view takeField(NextTag& opening, NextTag& closing, const char* cursor) {
    const char* start = opening.find(cursor);
    return start ? takeText(closing, start + opening.length()) : std::string_view();
}

// Reads "HH?MM": the hour from characters 0-1 and the minute from 3-4. A
// time cut short by the end of the text reads only what is there.
void readStartTime(const char* text, int& hour, int& minute) {
    char time[5] = {};
    for (int i = 0; i < 5 && text[i] != '\0'; ++i)
        time[i] = text[i];
    const char hourDigits[3] = {time[0], time[1], '\0'};
    const char minuteDigits[3] = {time[3], time[4], '\0'};
    hour = static_cast<int>(std::strtol(hourDigits, nullptr, 10));
    minute = static_cast<int>(std::strtol(minuteDigits, nullptr, 10));
}

}  // namespace

long LocalTime2UTC(long t) {
    const std::time_t utc = t;
    std::tm broken{};
    if (gmtime_r(&utc, &broken) == nullptr)
        return t;
    broken.tm_isdst = -1;
    return static_cast<long>(std::mktime(&broken));
}

void GuideConverter::beginRun() {
    hour = 0;
    minute = 0;
    previousHour = 0;
    previousMinute = 0;
}

void GuideConverter::beginChannel() {
    pending.clear();
    sequence = 1;
}

int GuideConverter::convertDocument(std::FILE* epg, const char* document, long dayOffset,
                                     time_t localMidnight) {
    // A NUL byte ends the document's text wherever it stands.
    const char* const end = document + std::strlen(document);
    NextTag title("<title>", end), titleEnd("</title>", end);
    NextTag genre("<genre>", end), genreEnd("</genre>", end);
    NextTag description("<description>", end), descriptionEnd("</description>", end);
    NextTag startTime("<startTime>", end), eventEnd("</event>", end);

    // Every search runs from the cursor to the end of the document, not to
    // the end of the event: an event lacking a field takes the next one found.
    const char* cursor = document;
    int events = 0;
    for (;;) {
        const char* titleStart = title.find(cursor);
        // An event whose "</event>" never comes was cut short: the document
        // ends before it.
        const char* eventEndStart = eventEnd.find(cursor);
        if (titleStart == nullptr || eventEndStart == nullptr)
            break;
        ++events;
        const std::string_view titleText = takeText(titleEnd, titleStart + title.length());
        const std::string_view genreText = takeField(genre, genreEnd, cursor);
        const std::string_view descriptionText = takeField(description, descriptionEnd, cursor);
        if (const char* time = startTime.find(cursor))
            readStartTime(time + startTime.length(), hour, minute);
        cursor = eventEndStart + eventEnd.length();

        // The time of day goes through the zone as an instant of early
        // January 1970; the box's files have always been written this way.
        const long timeOfDay = dayOffset - 86400 + hour * 3600L + minute * 60L;
        const std::time_t start = LocalTime2UTC(timeOfDay) + localMidnight + 3600;

        if (!pending.empty()) {
            // Only a falling hour counts as passing midnight.
            long duration = (hour * 60L + minute) - (previousHour * 60L + previousMinute);
            if (hour < previousHour)
                duration += 1440;
            pending.write(epg, duration);
        }
        pending.set(sequence, start, titleText, genreText, descriptionText);
        ++sequence;
        previousHour = hour;
        previousMinute = minute;
    }
    return events;
}
