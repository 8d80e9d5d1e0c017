// xmltv_events.cpp: one channel's XMLTV programmes made events of the EPG file: order, ends, window, records.
#include "xmltv_events.h"

#include <algorithm>

#include "epg_file.h"
#include "xmltv_fields.h"

std::string composeDescription(std::string_view subTitle, std::string_view description) {
    std::string composed;
    if (!subTitle.empty() && !description.empty()) {
        composed.reserve(std::min(subTitle.size() + 3 + description.size(), kDescriptionMax + 1));
        composed.append(subTitle).append(" - ").append(description);
    } else {
        composed.append(subTitle.empty() ? description : subTitle);
    }
    if (composed.size() > kDescriptionMax + 1)
        composed.resize(kDescriptionMax + 1);
    return composed;
}

std::vector<XmltvEvent> xmltvEvents(std::vector<XmltvProgramme> programmes, long long windowStart,
                                    long long windowEnd) {
    // In order of start; programmes with the same start keep the guide's
    // order among them. Their places are sorted, not the programmes: it
    // moves no texts, and keeps the code small on the box.
    struct Place {
        long long start;
        std::size_t index;
    };
    std::vector<Place> order;
    order.reserve(programmes.size());
    for (std::size_t i = 0; i < programmes.size(); ++i)
        order.push_back(Place{programmes[i].start, i});
    std::sort(order.begin(), order.end(), [](const Place& a, const Place& b) {
        return a.start != b.start ? a.start < b.start : a.index < b.index;
    });
    // Of programmes with the same start only the first is kept: the others
    // would overlap it entirely.
    order.erase(std::unique(order.begin(), order.end(),
                            [](const Place& a, const Place& b) { return a.start == b.start; }),
                order.end());

    std::vector<XmltvEvent> events;
    for (std::size_t i = 0; i < order.size(); ++i) {
        XmltvProgramme& programme = programmes[order[i].index];
        const long long* nextStart = i + 1 < order.size() ? &order[i + 1].start : nullptr;
        // A programme ends at its stop; without one, where the next begins,
        // and the last without one has no end and goes. An end past the
        // next start is cut to it, so that events never overlap.
        long long end = 0;
        if (programme.hasStop)
            end = programme.stop;
        else if (nextStart)
            end = *nextStart;
        else
            continue;
        if (nextStart && end > *nextStart)
            end = *nextStart;
        // A stop before or at the start leaves nothing to show.
        if (end <= programme.start)
            continue;
        // Kept when any of it is in the window.
        if (end <= windowStart || programme.start >= windowEnd)
            continue;
        events.push_back(XmltvEvent{programme.start, end, std::move(programme.title), std::move(programme.genre),
                                    std::move(programme.description)});
    }
    return events;
}

void writeXmltvEvents(std::FILE* epg, const std::vector<XmltvEvent>& events) {
    int sequence = 1;
    for (const XmltvEvent& event : events) {
        const std::string_view title(event.title.data(), utf8Prefix(event.title, kTitleMax));
        const std::string_view genre(event.genre.data(), utf8Prefix(event.genre, kGenreMax));
        const std::size_t room = descriptionRoom(sequence, event.start, title, genre);
        const std::string_view description(event.description.data(), utf8Prefix(event.description, room));
        const long long seconds = event.end - event.start;
        writeEventRecord(epg, EventRecord{sequence, event.start, seconds, seconds / 60, title, genre, description});
        ++sequence;
    }
}

int countEventDays(const std::vector<XmltvEvent>& events, const std::vector<long long>& dayStarts) {
    if (dayStarts.size() < 2)
        return 0;
    std::vector<bool> covered(dayStarts.size() - 1, false);
    for (const XmltvEvent& event : events) {
        // The day whose first instant is the last one at or before the start.
        const auto after = std::upper_bound(dayStarts.begin(), dayStarts.end(), event.start);
        if (after == dayStarts.begin() || after == dayStarts.end())
            continue;
        covered[static_cast<std::size_t>(after - dayStarts.begin() - 1)] = true;
    }
    return static_cast<int>(std::count(covered.begin(), covered.end(), true));
}
