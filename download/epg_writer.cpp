// epg_writer.cpp: the EPG file's lines: channel header, event record, trailer.
#include "epg_writer.h"

#include <algorithm>

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
