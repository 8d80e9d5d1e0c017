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
    // The record without its description, the two durations counted as the
    // "%d" that stands in their place until they are known. It is some 600
    // characters at most, so only the description is ever cut.
    const int others = std::snprintf(nullptr, 0, "E %d %lld %%d\nT %s\nX %lld\nS %s\nL %%d\nD \ne\n",
                                     sequence, start, title.c_str(), start, genre.c_str());
    const std::size_t room = kDescriptionMax - static_cast<std::size_t>(std::max(others, 0));
    description.assign(descriptionText.substr(0, room));
}

void PendingRecord::write(std::FILE* epg, long durationMinutes) const {
    if (empty())
        return;
    const long long minutes = durationMinutes;
    std::fprintf(epg,
                 "E %d %lld %lld\n"
                 "T %s\n"
                 "X %lld\n"
                 "S %s\n"
                 "L %lld\n"
                 "D %s\n"
                 "e\n",
                 sequence, start, minutes * 60, title.c_str(), start, genre.c_str(), minutes,
                 description.c_str());
}
