// epg_writer.cpp: the EPG file's lines: channel header, event record, trailer.
#include "epg_writer.h"

#include <cstring>

namespace {

// Appends to a fixed buffer, dropping whatever does not fit before the
// limit; the buffer stays NUL-terminated.
class Appender {
public:
    Appender(char* buffer, std::size_t limit) : buffer_(buffer), limit_(limit) {}

    void text(const char* s, std::size_t n) {
        if (n > limit_ - length_)
            n = limit_ - length_;
        std::memcpy(buffer_ + length_, s, n);
        length_ += n;
        buffer_[length_] = '\0';
    }
    void text(const char* s) { text(s, std::strlen(s)); }
    void number(long long value) {
        char digits[24];
        const int n = std::snprintf(digits, sizeof digits, "%lld", value);
        text(digits, static_cast<std::size_t>(n));
    }
    std::size_t length() const { return length_; }
    void setLimit(std::size_t limit) { limit_ = limit; }

private:
    char* buffer_;
    std::size_t limit_;
    std::size_t length_ = 0;
};

// Durations are printed as seconds since the epoch are: from a wide type,
// so that the file is the same where long and time_t are 32 bits and 64.
void writeNumber(std::FILE* epg, long long value) { std::fprintf(epg, "%lld", value); }

const char kHole[] = "%d";
const std::size_t kHoleLength = 2;
const char kRecordEnd[] = "\ne\n";
const std::size_t kRecordEndLength = 3;

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
    Appender record(text_, kSize - 1 - kRecordEndLength);
    record.text("E ");
    record.number(sequence);
    record.text(" ");
    record.number(static_cast<long long>(start));
    record.text(" ");
    secondsHole_ = record.length();
    record.text(kHole);
    record.text("\nT ");
    record.text(title, strnlen(title, kFieldMax));
    record.text("\nX ");
    record.number(static_cast<long long>(start));
    record.text("\nS ");
    record.text(genre, strnlen(genre, kFieldMax));
    record.text("\nL ");
    minutesHole_ = record.length();
    record.text(kHole);
    record.text("\nD ");
    record.text(description);
    record.setLimit(kSize - 1);
    record.text(kRecordEnd);
    length_ = record.length();
}

void PendingRecord::write(std::FILE* epg, long durationMinutes) const {
    if (empty())
        return;
    const long long minutes = durationMinutes;
    std::fwrite(text_, 1, secondsHole_, epg);
    writeNumber(epg, minutes * 60);
    const std::size_t middle = secondsHole_ + kHoleLength;
    std::fwrite(text_ + middle, 1, minutesHole_ - middle, epg);
    writeNumber(epg, minutes);
    const std::size_t rest = minutesHole_ + kHoleLength;
    std::fwrite(text_ + rest, 1, length_ - rest, epg);
}
