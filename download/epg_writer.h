// epg_writer.h: the EPG file's lines: channel header, event record, trailer.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// The most characters an event's title and genre keep; longer ones are cut.
constexpr std::size_t kTitleMax = 255;
constexpr std::size_t kGenreMax = 255;
// The most characters a record holds with its two durations still open as
// "%d": the description gives way, so it never keeps more than this either.
constexpr std::size_t kDescriptionMax = 4999;

// "C <ordinal> <name>": opens a channel's block.
void writeChannelHeader(std::FILE* epg, int ordinal, const char* name);
// "c": closes a channel's block.
void writeChannelTrailer(std::FILE* epg);

// One event record waiting for its duration, which is known only once the
// next event's start is. It keeps copies of its texts, so it outlives the
// document they were taken from.
class PendingRecord {
public:
    bool empty() const { return !pending; }
    void clear() { pending = false; }
    // Takes the record of an event, its texts cut to their limits. Texts
    // hold no NUL: one ends the document.
    void set(int number, long long startTime, std::string_view titleText,
             std::string_view genreText, std::string_view descriptionText);
    // Writes the record with its duration: the E line in seconds, the L line
    // in minutes. Does nothing when empty.
    void write(std::FILE* epg, long durationMinutes) const;

private:
    bool pending = false;
    int sequence = 0;
    // Numbers are written from a wide type, so that the file is the same
    // where long and time_t are 32 bits and where they are 64.
    long long start = 0;
    std::string title;
    std::string genre;
    std::string description;
};
