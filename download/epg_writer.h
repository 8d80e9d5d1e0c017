// epg_writer.h: the EPG file's lines: channel header, event record, trailer.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>

// "C <ordinal> <name>": opens a channel's block.
void writeChannelHeader(std::FILE* epg, int ordinal, const char* name);
// "c": closes a channel's block.
void writeChannelTrailer(std::FILE* epg);

// A text of known length, such as an event's field where it stands in a
// guide document.
struct TextPiece {
    const char* data;
    std::size_t length;
};

// Gathers records and hands them to the EPG file in large pieces: a stdio
// call per record would cost more than converting a small event. Whatever
// it holds goes out when it is flushed or destroyed, so one kept for the
// conversion of a document writes in the order the records are made.
class EpgBuffer {
public:
    // Large enough for the longest record with both durations filled in.
    static constexpr std::size_t kSize = 8192;

    explicit EpgBuffer(std::FILE* epg) : epg_(epg) {}
    ~EpgBuffer() { flush(); }
    EpgBuffer(const EpgBuffer&) = delete;
    EpgBuffer& operator=(const EpgBuffer&) = delete;

    // Room for n more characters (n at most kSize), flushing first if the
    // buffer has less; commit says how many of them were written.
    char* room(std::size_t n) {
        if (n > kSize - length_)
            flush();
        return text_ + length_;
    }
    void commit(std::size_t n) { length_ += n; }
    void flush();

private:
    std::FILE* epg_;
    std::size_t length_ = 0;
    char text_[kSize];
};

// One event record waiting for its duration, which is known only once the
// next event's start is. The record is kept as its fields rather than as
// text, and formatted straight into the output when it is written: the
// fields are copied once, and a "%" in a title is never read as a format.
class PendingRecord {
public:
    // Title and genre are cut to this many characters, like their buffers.
    static constexpr std::size_t kFieldMax = 255;
    // A record, its two durations still open as "%d", never holds more than
    // this many characters: the description gives way.
    static constexpr std::size_t kRecordMax = 4999;

    PendingRecord() = default;
    // Its texts may stand in its own buffers, which a copy would not see.
    PendingRecord(const PendingRecord&) = delete;
    PendingRecord& operator=(const PendingRecord&) = delete;

    bool empty() const { return !pending_; }
    void clear() { pending_ = false; }
    // Takes the record of an event. Its texts are used where they stand
    // until keep() is called, which must happen before they go away.
    void set(int sequence, std::time_t start, TextPiece title, TextPiece genre,
             TextPiece description);
    // Copies the record's texts into its own buffers, so that it outlives
    // the document they were taken from.
    void keep();
    // Writes the record with its duration: the E line in seconds, the L line
    // in minutes. Does nothing when empty.
    void write(EpgBuffer& out, long durationMinutes) const;

private:
    char* putStart(char* out) const;

    bool pending_ = false;
    int sequence_ = 0;
    std::time_t start_ = 0;
    // start_ in decimal (a long long takes at most 20 characters), or
    // empty before the first record.
    char startDigits_[20] = {};
    std::size_t startLength_ = 0;
    TextPiece title_ = {titleText_, 0};
    TextPiece genre_ = {genreText_, 0};
    TextPiece description_ = {descriptionText_, 0};
    char titleText_[kFieldMax];
    char genreText_[kFieldMax];
    char descriptionText_[kRecordMax];
};
