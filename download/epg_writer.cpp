// epg_writer.cpp: the EPG file's lines: channel header, event record, trailer.
#include "epg_writer.h"

#include <cstring>

namespace {

// Room for any long long in decimal, sign included.
constexpr std::size_t kDecimalSize = 21;

// Writes value in plain decimal (a minus sign when negative, no leading
// zeros) and returns its length; out has room for kDecimalSize characters.
// Start times and durations are printed from a wide type, so that the file
// is the same where long and time_t are 32 bits and where they are 64. A
// record is formatted per event, often for a few dozen bytes of document,
// where a printf call would cost more than everything else.
std::size_t formatDecimal(long long value, char* out) {
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    char digits[kDecimalSize];
    char* const end = digits + kDecimalSize;
    char* p = end;
    // Two digits a step: this runs for every number of every record.
    while (magnitude >= 100) {
        const unsigned pair = static_cast<unsigned>(magnitude % 100) * 2;
        magnitude /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (magnitude >= 10) {
        const unsigned pair = static_cast<unsigned>(magnitude) * 2;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (value < 0)
        *--p = '-';
    const std::size_t length = static_cast<std::size_t>(end - p);
    std::memcpy(out, p, length);
    return length;
}

// Appends to a fixed buffer, dropping whatever does not fit before the
// limit. The caller terminates the text once it is complete.
class Appender {
public:
    Appender(char* buffer, std::size_t limit) : buffer_(buffer), limit_(limit) {}

    void text(const char* s, std::size_t n) {
        if (n > limit_ - length_)
            n = limit_ - length_;
        std::memcpy(buffer_ + length_, s, n);
        length_ += n;
    }
    // A literal's length is known here, so its copy compiles to a few moves.
    template <std::size_t N>
    void literal(const char (&s)[N]) {
        if (N - 1 <= limit_ - length_) {
            std::memcpy(buffer_ + length_, s, N - 1);
            length_ += N - 1;
        } else {
            text(s, N - 1);
        }
    }
    void number(long long value) {
        if (kDecimalSize <= limit_ - length_) {
            length_ += formatDecimal(value, buffer_ + length_);
        } else {
            char digits[kDecimalSize];
            text(digits, formatDecimal(value, digits));
        }
    }
    std::size_t length() const { return length_; }
    void setLimit(std::size_t limit) { limit_ = limit; }

private:
    char* buffer_;
    std::size_t limit_;
    std::size_t length_ = 0;
};

const char kHole[] = "%d";
const std::size_t kHoleLength = sizeof kHole - 1;
const char kRecordEnd[] = "\ne\n";

}  // namespace

void writeChannelHeader(std::FILE* epg, int ordinal, const char* name) {
    std::fprintf(epg, "C %d %s\n", ordinal, name);
}

void writeChannelTrailer(std::FILE* epg) { std::fputs("c\n", epg); }

void PendingRecord::clear() {
    text_[0] = '\0';
    length_ = 0;
}

void PendingRecord::set(int sequence, std::time_t start, const char* title, const char* genre,
                        const char* description) {
    // Everything up to the description is at most some 600 characters with
    // title and genre within their limits, so only the description is ever
    // cut, and the closing lines always have their room.
    char startDigits[kDecimalSize];
    const std::size_t startLength = formatDecimal(static_cast<long long>(start), startDigits);
    Appender record(text_, kSize - 1 - (sizeof kRecordEnd - 1));
    record.literal("E ");
    record.number(sequence);
    record.literal(" ");
    record.text(startDigits, startLength);
    record.literal(" ");
    secondsHole_ = record.length();
    record.literal(kHole);
    record.literal("\nT ");
    record.text(title, strnlen(title, kFieldMax));
    record.literal("\nX ");
    record.text(startDigits, startLength);
    record.literal("\nS ");
    record.text(genre, strnlen(genre, kFieldMax));
    record.literal("\nL ");
    minutesHole_ = record.length();
    record.literal(kHole);
    record.literal("\nD ");
    record.text(description, strnlen(description, kSize));
    record.setLimit(kSize - 1);
    record.literal(kRecordEnd);
    length_ = record.length();
    text_[length_] = '\0';
}

void PendingRecord::write(std::FILE* epg, long durationMinutes) const {
    if (empty())
        return;
    // The record goes out in one piece: its text with the holes filled in.
    char out[kSize + 2 * kDecimalSize];
    Appender record(out, sizeof out);
    const long long minutes = durationMinutes;
    record.text(text_, secondsHole_);
    record.number(minutes * 60);
    const std::size_t middle = secondsHole_ + kHoleLength;
    record.text(text_ + middle, minutesHole_ - middle);
    record.number(minutes);
    const std::size_t rest = minutesHole_ + kHoleLength;
    record.text(text_ + rest, length_ - rest);
    std::fwrite(out, 1, record.length(), epg);
}
