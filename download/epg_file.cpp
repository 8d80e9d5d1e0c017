// epg_file.cpp: the EPG file's format: the lines a run writes and the blocks it reads back.
#include "epg_file.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "file_open.h"

void writeChannelHeader(std::FILE* epg, int ordinal, const char* name) {
    std::fprintf(epg, "C %d %s\n", ordinal, name);
}

void writeChannelTrailer(std::FILE* epg) { std::fputs("c\n", epg); }

void PendingRecord::set(int number, long long startTime, std::string_view titleText,
                        std::string_view genreText, std::string_view descriptionText) {
    pending = true;
    sequence = number;
    start = startTime;
    title.assign(titleText.substr(0, kTitleMax));
    genre.assign(genreText.substr(0, kGenreMax));
    description.assign(descriptionText.substr(0, descriptionRoom(sequence, start, title, genre)));
}

std::size_t descriptionRoom(int sequence, long long start, std::string_view title, std::string_view genre) {
    // The record without its description is some 600 characters at most
    // when title and genre keep their limits, so only the description is
    // ever cut.
    const int others = std::snprintf(nullptr, 0, "E %d %lld %%d\nT %.*s\nX %lld\nS %.*s\nL %%d\nD \ne\n",
                                     sequence, start, static_cast<int>(title.size()), title.data(), start,
                                     static_cast<int>(genre.size()), genre.data());
    if (others < 0 || static_cast<std::size_t>(others) >= kDescriptionMax)
        return 0;
    return kDescriptionMax - static_cast<std::size_t>(others);
}

void writeEventRecord(std::FILE* epg, const EventRecord& record) {
    std::fprintf(epg,
                 "E %d %lld %lld\n"
                 "T %.*s\n"
                 "X %lld\n"
                 "S %.*s\n"
                 "L %lld\n"
                 "D %.*s\n"
                 "e\n",
                 record.sequence, record.start, record.seconds, static_cast<int>(record.title.size()),
                 record.title.data(), record.start, static_cast<int>(record.genre.size()), record.genre.data(),
                 record.minutes, static_cast<int>(record.description.size()), record.description.data());
}

void PendingRecord::write(std::FILE* epg, long durationMinutes) const {
    if (empty())
        return;
    const long long minutes = durationMinutes;
    writeEventRecord(epg, EventRecord{sequence, start, minutes * 60, minutes, title, genre, description});
}

namespace {

// A line without its line break (LF, or CR LF).
std::string_view withoutBreak(const char* line, std::size_t length) {
    if (length > 0 && line[length - 1] == '\n')
        --length;
    if (length > 0 && line[length - 1] == '\r')
        --length;
    return {line, length};
}

// A header line "C <ordinal> <name>": its ordinal and name. False for any
// other line.
bool readHeader(std::string_view line, long& ordinal, std::string& name) {
    if (line.size() < 4 || line[0] != 'C' || line[1] != ' ')
        return false;
    std::size_t at = 2;
    const bool negative = line[at] == '-';
    if (negative)
        ++at;
    const std::size_t digits = at;
    long value = 0;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])) && at - digits < 9)
        value = value * 10 + (line[at++] - '0');
    if (at == digits || at >= line.size() || line[at] != ' ')
        return false;
    ordinal = negative ? -value : value;
    name.assign(line.substr(at + 1));
    return true;
}

}  // namespace

OldGuide::OldGuide(const char* path) : path(path ? path : "") {}

void OldGuide::scan() {
    scanned = true;
    file = openRegularFile(path.c_str());
    if (!file)
        return;
    // Offsets come from the lines' lengths: asking the stream for its
    // position would cost a system call per line.
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    long offset = 0;
    bool inBlock = false;
    long ordinal = 0;
    Block block{};
    // A "c" line seen in the block: where it starts, and whether the next
    // line decides that it ends the block.
    long trailerAt = -1;
    std::string name;
    long nextOrdinal = 0;
    while ((length = ::getline(&line, &capacity, file.get())) > 0) {
        const std::string_view text = withoutBreak(line, static_cast<std::size_t>(length));
        const long lineStart = offset;
        offset += length;
        if (inBlock && trailerAt >= 0) {
            if (readHeader(text, nextOrdinal, name) && nextOrdinal == ordinal + 1) {
                block.bodyEnd = trailerAt;
                blocks.push_back(block);
                inBlock = false;
            }
            trailerAt = -1;
        }
        if (!inBlock) {
            if (readHeader(text, ordinal, name)) {
                block = Block{name, offset, 0, false};
                inBlock = true;
            }
            continue;
        }
        if (text == "c")
            trailerAt = lineStart;
    }
    std::free(line);
    // The end of the file ends a block whose last line is a "c".
    if (inBlock && trailerAt >= 0) {
        block.bodyEnd = trailerAt;
        blocks.push_back(block);
    }
    if (std::ferror(file.get()))
        blocks.clear();
}

int OldGuide::take(const char* name) {
    if (!scanned)
        scan();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i].taken && blocks[i].name == name) {
            blocks[i].taken = true;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool OldGuide::copy(int index, int ordinal, std::FILE* out) {
    const Block& block = blocks.at(static_cast<std::size_t>(index));
    if (std::fseek(file.get(), block.bodyStart, SEEK_SET) != 0)
        return false;
    writeChannelHeader(out, ordinal, block.name.c_str());
    char buffer[8192];
    long left = block.bodyEnd - block.bodyStart;
    while (left > 0) {
        const std::size_t want = left < static_cast<long>(sizeof buffer) ? static_cast<std::size_t>(left) : sizeof buffer;
        const std::size_t got = std::fread(buffer, 1, want, file.get());
        if (got != want || std::fwrite(buffer, 1, got, out) != got)
            return false;
        left -= static_cast<long>(got);
    }
    writeChannelTrailer(out);
    return !std::ferror(out);
}
