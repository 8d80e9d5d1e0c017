// xmltv_fields.cpp: a programme's fields as XMLTV writes them: times, and texts cleaned as they arrive.
#include "xmltv_fields.h"

#include <algorithm>

long long daysFromCivil(long long year, int month, int day) {
    // The year counted from March, so that the leap day is the year's last;
    // then whole 400-year eras of 146097 days, and the day within the era.
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

namespace {

bool isLeap(long long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(long long year, int month) {
    static const unsigned char days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

// The number in text[at, at + count), all digits; -1 when one is not.
long long digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    long long value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

bool parseXmltvTime(std::string_view text, long long& instant) {
    // "YYYYMMDDhhmm" comes first, always.
    if (text.size() < 12)
        return false;
    const long long year = digitsAt(text, 0, 4);
    const long long month = digitsAt(text, 4, 2);
    const long long day = digitsAt(text, 6, 2);
    const long long hour = digitsAt(text, 8, 2);
    const long long minute = digitsAt(text, 10, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return false;
    if (day > daysInMonth(year, static_cast<int>(month)))
        return false;

    // Then the seconds, when two more digits follow.
    std::size_t at = 12;
    long long second = 0;
    if (text.size() >= 14 && digitsAt(text, 12, 2) >= 0) {
        second = digitsAt(text, 12, 2);
        if (second > 59)
            return false;
        at = 14;
    }

    // Then the offset from UTC: " +HHMM" or " -HHMM", whose minutes count
    // as much as its hours (+0530 is five and a half hours east). A time
    // without one is in UTC, whatever the reader's own zone.
    long long offset = 0;
    if (at < text.size()) {
        if (text.size() != at + 6 || text[at] != ' ' || (text[at + 1] != '+' && text[at + 1] != '-'))
            return false;
        const long long offsetHours = digitsAt(text, at + 2, 2);
        const long long offsetMinutes = digitsAt(text, at + 4, 2);
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59)
            return false;
        offset = (offsetHours * 60 + offsetMinutes) * 60;
        if (text[at + 1] == '-')
            offset = -offset;
    }

    // The local time given minus its offset is the instant in UTC.
    instant = daysFromCivil(year, static_cast<int>(month), static_cast<int>(day)) * 86400 + hour * 3600 +
              minute * 60 + second - offset;
    return true;
}

std::size_t utf8Prefix(std::string_view text, std::size_t max) {
    if (text.size() <= max)
        return text.size();
    // Back off over continuation bytes (10xxxxxx) to the start of the
    // character the cut falls in, which then goes as a whole.
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end;
}

void XmltvText::clear(std::size_t newKeep) {
    cleaned.clear();
    keep = newKeep;
    blankPending = false;
    leadC2 = false;
}

void XmltvText::put(char byte) {
    // A run of blanks becomes one blank only when something follows it, so
    // that none is left at the end.
    if (blankPending && cleaned.size() < keep)
        cleaned.push_back(' ');
    blankPending = false;
    if (cleaned.size() < keep)
        cleaned.push_back(byte);
}

namespace {

// Bytes that are kept as they are: no blank, no control, no 0xC2.
bool isPlain(unsigned char byte) { return byte > ' ' && byte != 127 && byte != 0xC2; }

}  // namespace

void XmltvText::append(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size && cleaned.size() < keep; ++i) {
        // Most of a text is words: each goes in one piece.
        if (!leadC2 && isPlain(static_cast<unsigned char>(bytes[i]))) {
            std::size_t end = i + 1;
            while (end < size && isPlain(static_cast<unsigned char>(bytes[end])))
                ++end;
            put(bytes[i]);
            cleaned.append(bytes + i + 1, std::min(end - i - 1, keep - cleaned.size()));
            i = end - 1;
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        // U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F in UTF-8: whether a
        // 0xC2 starts a control is told by the byte after it.
        if (leadC2) {
            leadC2 = false;
            if (byte >= 0x80 && byte <= 0x9F)
                continue;
            put('\xC2');
        }
        if (byte == 0xC2) {
            leadC2 = true;
        } else if (byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n') {
            // Blanks at the start go: only one after some text is kept.
            if (!cleaned.empty())
                blankPending = true;
        } else if (byte >= 32 && byte != 127) {
            put(static_cast<char>(byte));
        }
    }
}

std::string cleanXmltvText(std::string_view text) {
    XmltvText cleaner(text.size());
    cleaner.append(text.data(), text.size());
    return cleaner.text();
}
