// epg_file.h: the EPG file's format, in one place: the lines a run writes
// (channel header, event records, trailer) and the blocks it reads back
// from the file it replaces.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "file_handle.h"

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

// One event as the EPG file holds it. The texts are written as they are;
// cut them first with the limits above (see descriptionRoom).
struct EventRecord {
    int sequence = 0;
    long long start = 0;      // seconds since 1970
    long long seconds = 0;    // the E line's duration
    long long minutes = 0;    // the L line's duration
    std::string_view title;
    std::string_view genre;
    std::string_view description;
};

// The seven lines "E", "T", "X", "S", "L", "D", "e" of one event.
void writeEventRecord(std::FILE* epg, const EventRecord& record);

// How many bytes of description keep the record of an event with these
// fields within kDescriptionMax characters, its two durations counted as
// the "%d" that stands in their place until they are known.
std::size_t descriptionRoom(int sequence, long long start, std::string_view title, std::string_view genre);

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

// The channel blocks of the EPG file a run replaces, kept for the channels
// that bring no new guide: the box's guide keeps a channel's old events
// when its fetch fails, and the new file does the same by carrying the
// channel's old block over.
//
// A block runs from its header "C <n> <name>" to the first line "c" that
// is followed by the header of ordinal n + 1 or by the end of the file. A
// text of a record may hold a line "c", "e" or "C 2 X" of its own (the day
// documents' texts keep their line breaks), so a "c" followed by anything
// else is part of the block. Lines may end in LF or CR LF, and the last
// line may have no line break at all.
class OldGuide {
public:
    // The file is only read once a channel needs its block.
    explicit OldGuide(const char* path);

    // The first block not yet taken whose header names the channel (the
    // name's bytes), now taken; -1 when there is none. Every channel of a
    // run takes its block in list order, so that two channels of the same
    // name keep theirs apart.
    int take(const char* name);

    // Writes the block under the new ordinal: its header and trailer anew,
    // the records between them byte for byte. False when it could not be
    // read or written.
    bool copy(int block, int ordinal, std::FILE* out);

private:
    struct Block {
        std::string name;
        long bodyStart;  // just after the header line
        long bodyEnd;    // where the trailer line starts
        bool taken;
    };

    // Finds the blocks, in one buffered pass. A missing or unreadable file,
    // or one that holds no whole block, has none.
    void scan();

    std::string path;
    bool scanned = false;
    FileHandle file;
    std::vector<Block> blocks;
};
