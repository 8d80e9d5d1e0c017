// xmltv_fields.h: a programme's fields as XMLTV writes them: times, and texts cleaned as they arrive.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Days from 1970-01-01 to the given date of the Gregorian calendar, valid
// for any year; month 1 to 12, day 1 to 31.
long long daysFromCivil(long long year, int month, int day);

// Reads an XMLTV time "YYYYMMDDhhmm", optionally "ss" after it, optionally
// one blank and an offset "+HHMM" or "-HHMM" after that, as seconds since
// 1970. False for anything else, or for a date or time that does not exist.
bool parseXmltvTime(std::string_view text, long long& instant);

// The longest start of text that is at most max bytes long and does not end
// inside a UTF-8 character.
std::size_t utf8Prefix(std::string_view text, std::size_t max);

// A text of the guide, cleaned as its pieces arrive:
//  - control characters go: below 32 (but tab, CR and LF), 127, and
//    U+0080 to U+009F;
//  - what is left has every run of blanks, tabs, CRs and LFs made one blank,
//    and none at either end.
// It keeps at most `keep` bytes of the cleaned text and drops the rest, so
// that a long text costs no more memory than the record can hold; the last
// byte kept may be part of a character, which utf8Prefix then leaves out.
// The pieces are UTF-8, as Expat gives them.
class XmltvText {
public:
    explicit XmltvText(std::size_t keep = 0) : keep(keep) {}

    void clear(std::size_t newKeep);
    void append(const char* bytes, std::size_t size);

    const std::string& text() const { return cleaned; }
    std::string& text() { return cleaned; }

private:
    void put(char byte);

    std::string cleaned;
    std::size_t keep;
    bool blankPending = false;
    bool leadC2 = false;  // a 0xC2 byte, which may start U+0080 to U+009F
};

// The whole text cleaned as above, nothing dropped.
std::string cleanXmltvText(std::string_view text);
