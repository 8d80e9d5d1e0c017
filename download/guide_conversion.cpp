// guide_conversion.cpp: turns guide documents into EPG file records.
#include "guide_conversion.h"

#include <cstdlib>
#include <cstring>

#include "tag_scanner.h"

namespace {

// The text from `from` up to the closing tag, in place, cut to max
// characters. Without a closing tag after it the text is empty.
TextPiece takeText(NextTag& closing, const char* from, std::size_t max) {
    const char* end = closing.find(from);
    std::size_t length = end ? static_cast<std::size_t>(end - from) : 0;
    return {from, length < max ? length : max};
}

// The field opened by `opening` at or after the cursor, or empty.
TextPiece takeField(NextTag& opening, NextTag& closing, const char* cursor, std::size_t max) {
    const char* start = opening.find(cursor);
    if (start)
        return takeText(closing, start + opening.length(), max);
    return {cursor, 0};
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

// LocalTime2UTC of the last time of day converted. Events without a start
// time of their own repeat the one before, and the zone lookup behind each
// call costs more than converting a small event.
class ZoneShift {
public:
    long operator()(long t) {
        if (!known_ || t != argument_) {
            argument_ = t;
            result_ = LocalTime2UTC(t);
            known_ = true;
        }
        return result_;
    }

private:
    bool known_ = false;
    long argument_ = 0;
    long result_ = 0;
};

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
    hour_ = 0;
    minute_ = 0;
    previousHour_ = 0;
    previousMinute_ = 0;
}

void GuideConverter::beginChannel(std::FILE* epg, int ordinal, const char* name) {
    writeChannelHeader(epg, ordinal, name);
    pending_.clear();
    sequence_ = 1;
}

void GuideConverter::convertDocument(std::FILE* epg, const char* document, long dayOffset,
                                     time_t localMidnight) {
    // A NUL byte ends the document's text wherever it stands.
    const char* const end = document + std::strlen(document);
    NextTag title("<title>", end), titleEnd("</title>", end);
    NextTag genre("<genre>", end), genreEnd("</genre>", end);
    NextTag description("<description>", end), descriptionEnd("</description>", end);
    NextTag startTime("<startTime>", end), eventEnd("</event>", end);
    ZoneShift zoneShift;
    EpgBuffer out(epg);

    // Every search runs from the cursor to the end of the document, not to
    // the end of the event: an event lacking a field takes the next one found.
    const char* cursor = document;
    for (;;) {
        const char* titleStart = title.find(cursor);
        // An event whose "</event>" never comes was cut short: the document
        // ends before it.
        const char* eventEndStart = eventEnd.find(cursor);
        if (titleStart == nullptr || eventEndStart == nullptr)
            break;
        const TextPiece titleText = takeText(titleEnd, titleStart + title.length(), kTitleMax);
        const TextPiece genreText = takeField(genre, genreEnd, cursor, kGenreMax);
        const TextPiece descriptionText =
            takeField(description, descriptionEnd, cursor, kDescriptionMax);
        if (const char* time = startTime.find(cursor))
            readStartTime(time + startTime.length(), hour_, minute_);
        cursor = eventEndStart + eventEnd.length();

        // The time of day goes through the zone as an instant of early
        // January 1970; the box's files have always been written this way.
        const long timeOfDay = dayOffset - 86400 + hour_ * 3600L + minute_ * 60L;
        const std::time_t start = zoneShift(timeOfDay) + localMidnight + 3600;

        if (!pending_.empty()) {
            // Only a falling hour counts as passing midnight.
            long duration = (hour_ * 60L + minute_) - (previousHour_ * 60L + previousMinute_);
            if (hour_ < previousHour_)
                duration += 1440;
            pending_.write(out, duration);
        }
        pending_.set(sequence_, start, titleText, genreText, descriptionText);
        ++sequence_;
        previousHour_ = hour_;
        previousMinute_ = minute_;
    }
    // The record waiting for the next event's start has its texts in this
    // document, which the caller may free once this returns.
    pending_.keep();
}

void GuideConverter::endChannel(std::FILE* epg) { writeChannelTrailer(epg); }
