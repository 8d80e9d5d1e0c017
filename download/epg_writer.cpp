// epg_writer.cpp: the EPG file's lines: channel header, event record, trailer.
#include "epg_writer.h"

#include <algorithm>
#include <cstring>

namespace {

// The most characters a long long takes in decimal, sign included.
constexpr std::size_t kDecimalMax = 20;

// The number of digits of n, which is at most 2^63 (a long long's
// magnitude). Counted without a loop: the number of bits it needs gives the
// count or one more.
std::size_t decimalDigits(unsigned long long n) {
    static const unsigned long long kPowers[] = {0,
                                                 10ULL,
                                                 100ULL,
                                                 1000ULL,
                                                 10000ULL,
                                                 100000ULL,
                                                 1000000ULL,
                                                 10000000ULL,
                                                 100000000ULL,
                                                 1000000000ULL,
                                                 10000000000ULL,
                                                 100000000000ULL,
                                                 1000000000000ULL,
                                                 10000000000000ULL,
                                                 100000000000000ULL,
                                                 1000000000000000ULL,
                                                 10000000000000000ULL,
                                                 100000000000000000ULL,
                                                 1000000000000000000ULL,
                                                 10000000000000000000ULL};
    const unsigned bits = 64 - static_cast<unsigned>(__builtin_clzll(n | 1));
    // bits x log10(2), rounded down: 1233 / 4096 is close enough up to 64.
    const unsigned atLeast = (bits * 1233) >> 12;
    return atLeast + (n >= kPowers[atLeast] ? 1 : 0);
}

std::size_t decimalLength(long long value) {
    return value < 0 ? 1 + decimalDigits(0ULL - static_cast<unsigned long long>(value))
                     : decimalDigits(static_cast<unsigned long long>(value));
}

// Writes value in plain decimal (a minus sign when negative, no leading
// zeros) and returns the end of what it wrote; out has room for kDecimalMax
// characters. Start times and durations are printed from a wide type, so
// that the file is the same where long and time_t are 32 bits and where
// they are 64. Four numbers go out per record, often for a few dozen bytes
// of document, where a printf call would cost more than everything else.
char* formatDecimal(long long value, char* out) {
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    if (value < 0)
        *out++ = '-';
    // The digits are written from the last one back.
    char* const end = out + decimalDigits(magnitude);
    char* p = end;
    // Two digits a step.
    while (magnitude >= 100) {
        const unsigned pair = static_cast<unsigned>(magnitude % 100) * 2;
        magnitude /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (magnitude >= 10) {
        *--p = kPairs[magnitude * 2 + 1];
        *--p = kPairs[magnitude * 2];
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    return end;
}

// Appends a literal; its length is known here, so the copy is a few moves.
template <std::size_t N>
char* put(char* out, const char (&literal)[N]) {
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

char* put(char* out, TextPiece text) {
    if (text.length > 0)
        std::memcpy(out, text.data, text.length);
    return out + text.length;
}

// The record's text apart from its description, the holes counted as "%d".
constexpr std::size_t kHole = 2;
constexpr std::size_t kFixedLines = sizeof "E   \nT \nX \nS \nL \nD \ne\n" - 1 + 2 * kHole;

// Copies a piece into a buffer of the record, unless it stands there already.
void keepIn(TextPiece& piece, char* buffer) {
    if (piece.data != buffer && piece.length > 0)
        std::memcpy(buffer, piece.data, piece.length);
    piece.data = buffer;
}

}  // namespace

void writeChannelHeader(std::FILE* epg, int ordinal, const char* name) {
    std::fprintf(epg, "C %d %s\n", ordinal, name);
}

void writeChannelTrailer(std::FILE* epg) { std::fputs("c\n", epg); }

void EpgBuffer::flush() {
    if (length_ > 0)
        std::fwrite(text_, 1, length_, epg_);
    length_ = 0;
}

void PendingRecord::set(int sequence, std::time_t start, TextPiece title, TextPiece genre,
                        TextPiece description) {
    pending_ = true;
    sequence_ = sequence;
    // Formatted here, once for the two places the record holds it, and
    // only when it changes: events without a start time of their own
    // repeat the one before.
    if (startLength_ == 0 || start != start_) {
        start_ = start;
        startLength_ = static_cast<std::size_t>(
            formatDecimal(static_cast<long long>(start), startDigits_) - startDigits_);
    }
    title_ = {title.data, std::min(title.length, kFieldMax)};
    genre_ = {genre.data, std::min(genre.length, kFieldMax)};
    // Everything but the description is at most some 600 characters, so
    // only the description is ever cut, and the other lines always fit.
    const std::size_t others = kFixedLines + decimalLength(sequence) + 2 * startLength_ +
                               title_.length + genre_.length;
    description_ = {description.data, std::min(description.length, kRecordMax - others)};
}

void PendingRecord::keep() {
    keepIn(title_, titleText_);
    keepIn(genre_, genreText_);
    keepIn(description_, descriptionText_);
}

char* PendingRecord::putStart(char* out) const {
    // All of the digits' buffer, so that the copy has a fixed length and
    // takes a few moves rather than a call; the characters beyond the
    // number are written over by what follows, or never go out.
    static_assert(sizeof startDigits_ == kDecimalMax, "the start's digits have their buffer");
    std::memcpy(out, startDigits_, sizeof startDigits_);
    return out + startLength_;
}

void PendingRecord::write(EpgBuffer& out, long durationMinutes) const {
    if (empty())
        return;
    // The record, two holes of two characters replaced by numbers; and as
    // much again as putStart may write beyond the end of what it puts.
    constexpr std::size_t kLongest = kRecordMax - 2 * kHole + 2 * kDecimalMax;
    static_assert(kLongest + kDecimalMax <= EpgBuffer::kSize, "a record fits the output buffer");
    char* const begin = out.room(kLongest + kDecimalMax);
    const long long minutes = durationMinutes;
    char* p = put(begin, "E ");
    p = formatDecimal(sequence_, p);
    p = put(p, " ");
    p = putStart(p);
    p = put(p, " ");
    p = formatDecimal(minutes * 60, p);
    p = put(p, "\nT ");
    p = put(p, title_);
    p = put(p, "\nX ");
    p = putStart(p);
    p = put(p, "\nS ");
    p = put(p, genre_);
    p = put(p, "\nL ");
    p = formatDecimal(minutes, p);
    p = put(p, "\nD ");
    p = put(p, description_);
    p = put(p, "\ne\n");
    out.commit(static_cast<std::size_t>(p - begin));
}
