// epg_writer.h: the EPG file's lines: channel header, event record, trailer.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>

// "C <ordinal> <name>": opens a channel's block.
void writeChannelHeader(std::FILE* epg, int ordinal, const char* name);
// "c": closes a channel's block.
void writeChannelTrailer(std::FILE* epg);

// One event record waiting for its duration, which is known only once the
// next event's start is. The text is kept as it will be written, with "%d"
// standing in the two holes whose positions are remembered: filling them in
// copies the text around them, so a "%" in a title is never read as a format.
class PendingRecord {
public:
    // The record's text buffer; a record never holds more than 4999 characters.
    static constexpr std::size_t kSize = 5000;
    // Title and genre are cut to this many characters, like their buffers.
    static constexpr std::size_t kFieldMax = 255;

    bool empty() const { return text_[0] == '\0'; }
    void clear();
    // Formats the record of an event. A description too long for the record
    // loses its end; the record keeps all of its seven lines.
    void set(int sequence, std::time_t start, const char* title, const char* genre,
             const char* description);
    // Writes the record with its duration: the E line in seconds, the L line
    // in minutes. Does nothing when empty.
    void write(std::FILE* epg, long durationMinutes) const;

private:
    char text_[kSize] = {};
    std::size_t length_ = 0;
    std::size_t secondsHole_ = 0;
    std::size_t minutesHole_ = 0;
};
