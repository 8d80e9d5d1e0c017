// naive_conversion.cpp: the guide conversion read plainly, as a yardstick for the real one.
#include "naive_conversion.h"

#include <cstdlib>

namespace {

const std::string::size_type npos = std::string::npos;

// Text from `from` up to the next closing tag, or empty without one.
std::string upTo(const std::string& document, std::string::size_type from, const std::string& closing) {
    const std::string::size_type end = document.find(closing, from);
    return end == npos ? std::string() : document.substr(from, end - from);
}

std::string field(const std::string& document, std::string::size_type cursor,
                  const std::string& opening, const std::string& closing) {
    const std::string::size_type start = document.find(opening, cursor);
    return start == npos ? std::string() : upTo(document, start + opening.size(), closing);
}

int pairValue(const std::string& time, std::string::size_type at) {
    if (time.size() <= at)
        return 0;
    return static_cast<int>(std::strtol(time.substr(at, 2).c_str(), nullptr, 10));
}

long long zoneShifted(long t) {
    const std::time_t instant = t;
    std::tm broken = *std::gmtime(&instant);
    broken.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&broken));
}

}  // namespace

void NaiveConverter::beginRun() { hour = minute = previousHour = previousMinute = 0; }

void NaiveConverter::beginChannel(std::string& out, int ordinal, const std::string& name) {
    out += "C " + std::to_string(ordinal) + " " + name + "\n";
    pending = false;
    sequence = 1;
}

void NaiveConverter::convertDocument(std::string& out, const char* text, long dayOffset,
                                     std::time_t localMidnight) {
    const std::string document(text);
    std::string::size_type cursor = 0;
    for (;;) {
        const std::string::size_type title = document.find("<title>", cursor);
        const std::string::size_type end = document.find("</event>", cursor);
        if (title == npos || end == npos)
            return;
        const std::string titleText = upTo(document, title + 7, "</title>").substr(0, 255);
        const std::string genre = field(document, cursor, "<genre>", "</genre>").substr(0, 255);
        std::string description =
            field(document, cursor, "<description>", "</description>").substr(0, 4999);
        const std::string::size_type time = document.find("<startTime>", cursor);
        if (time != npos) {
            const std::string hhmm = document.substr(time + 11, 5);
            hour = pairValue(hhmm, 0);
            minute = pairValue(hhmm, 3);
        }
        cursor = end + 8;

        const long long start =
            zoneShifted(dayOffset - 86400 + hour * 3600L + minute * 60L) + localMidnight + 3600;
        if (pending) {
            long duration = (hour * 60 + minute) - (previousHour * 60 + previousMinute);
            if (hour < previousHour)
                duration += 1440;
            out += head + std::to_string(duration * 60) + middle + std::to_string(duration) + tail;
        }
        head = "E " + std::to_string(sequence) + " " + std::to_string(start) + " ";
        middle = "\nT " + titleText + "\nX " + std::to_string(start) + "\nS " + genre + "\nL ";
        const std::string::size_type length = head.size() + middle.size() + 4 + 3 + description.size() + 3;
        if (length > 4999)
            description.resize(description.size() - (length - 4999));
        tail = "\nD " + description + "\ne\n";
        pending = true;
        ++sequence;
        previousHour = hour;
        previousMinute = minute;
    }
}

void NaiveConverter::endChannel(std::string& out) { out += "c\n"; }
