// xmltv_source.cpp: an XMLTV guide as a run's source: one guide, read once, for every channel and day.
#include "xmltv_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "build_info.h"
#include "xmltv_events.h"
#include "xmltv_file.h"

namespace {

// How often the view hears how far the reading has come.
constexpr long long kProgressMilliseconds = 250;

long long nowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The local midnights of the run's days and the one after the last: a day
// of 23 or 25 hours at a change of summer time is still one day.
std::vector<long long> localMidnights(const RunDays& days) {
    std::vector<long long> midnights;
    const std::time_t today = days.midnight;
    std::tm local{};
    localtime_r(&today, &local);
    for (int day = 0; day <= days.days; ++day) {
        std::tm next = local;
        next.tm_mday += day;
        next.tm_hour = 0;
        next.tm_min = 0;
        next.tm_sec = 0;
        next.tm_isdst = -1;
        midnights.push_back(static_cast<long long>(std::mktime(&next)));
    }
    return midnights;
}

bool isUrl(const std::string& location) {
    return location.rfind("http://", 0) == 0 || location.rfind("https://", 0) == 0;
}

// Tells the view how far the reading has come, a few times a second.
class ProgressTeller final : public XmltvReadListener, public OutputSink {
public:
    ProgressTeller(const std::string& location, XmltvReader& reader, DownloadView& view)
        : location(location), reader(reader), view(view) {}

    bool pieceRead(const XmltvReader&) override {
        tell(false);
        return true;
    }

    bool output(const char* bytes, std::size_t size) override {
        const bool going = reader.feed(bytes, size);
        tell(false);
        return going;
    }

    void tell(bool always) {
        const long long now = nowMilliseconds();
        if (!always && now - told < kProgressMilliseconds)
            return;
        told = now;
        const XmltvProgress progress = reader.progress();
        view.guideProgress(GuideProgress{location, progress.bytesRead, progress.programmes});
    }

private:
    const std::string& location;
    XmltvReader& reader;
    DownloadView& view;
    long long told = -kProgressMilliseconds;
};

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Edits that make one text the other, without regard to ASCII case.
std::size_t distance(const std::string& a, const std::string& b) {
    const std::string x = lowered(a), y = lowered(b);
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

}  // namespace

bool buildGuideCommand(char* out, std::size_t size, const std::string& url) {
    if (locationProblem(url) || !isUrl(url))
        return false;
    const int written = std::snprintf(out, size, "wget -q -t 1 -U Tarvio/%s -O - '%s' 2> /dev/null",
                                      kTarvioVersion, url.c_str());
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

std::vector<std::string> closestChannels(const XmltvReader& guide, const std::string& id) {
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (const XmltvChannelName& channel : guide.declaredChannels())
        ranked.emplace_back(std::min(distance(id, channel.id), distance(id, channel.name)), channel.id);
    for (const std::string& other : guide.undeclaredIds())
        ranked.emplace_back(distance(id, other), other);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> closest;
    for (const auto& [score, candidate] : ranked) {
        if (closest.size() == 3)
            break;
        if (std::find(closest.begin(), closest.end(), candidate) == closest.end())
            closest.push_back(candidate);
    }
    return closest;
}

XmltvSource::XmltvSource(GuideSourceSettings settings, CommandRunner& shell)
    : settings(std::move(settings)), shell(shell) {}

bool XmltvSource::readLocation(const std::string& location, XmltvReader& into, LocationReport& report) {
    ProgressTeller teller(location, into, *view);
    if (!isUrl(location)) {
        report.result = readXmltvFile(location.c_str(), into, &teller) ? FetchResult::Data : FetchResult::Nothing;
    } else {
        char command[4096];
        if (!buildGuideCommand(command, sizeof command, location)) {
            into.fail(XmltvError::Stopped);
            report.result = FetchResult::Nothing;
        } else {
            switch (shell.stream(command, teller)) {
            case CommandStatus::Finished:
                report.result = into.finish() ? FetchResult::Data : FetchResult::Nothing;
                break;
            case CommandStatus::TimedOut: report.result = FetchResult::TimedOut; break;
            case CommandStatus::Interrupted: report.result = FetchResult::Interrupted; break;
            case CommandStatus::NotFound: report.result = FetchResult::NoWget; break;
            case CommandStatus::Failed:
            case CommandStatus::NotStarted: report.result = FetchResult::Nothing; break;
            }
        }
    }
    teller.tell(true);
    const XmltvProgress progress = into.progress();
    report.bytesRead = progress.bytesRead;
    report.programmes = progress.programmes;
    if (into.failed())
        report.problem = into.problem();
    return report.brought();
}

void XmltvSource::begin(const RunDays& days, const std::vector<ChannelEntry>& channels, DownloadView& runView) {
    view = &runView;
    dayStarts = localMidnights(days);
    XmltvSelection selection;
    for (const ChannelEntry& channel : channels)
        selection.channelIds.emplace_back(channel.key);
    selection.languages = settings.languages;
    selection.windowStart = dayStarts.front();
    selection.windowEnd = dayStarts.back();
    selection.listChannels = listing;

    // Mirrors, tried in order until one brings a whole guide.
    for (const std::string& location : settings.locations) {
        auto candidate = std::make_unique<XmltvReader>(selection);
        LocationReport& report = tried.emplace_back();
        report.location = location;
        const bool brought = readLocation(location, *candidate, report);
        view->locationEnded(report);
        if (report.result == FetchResult::Interrupted) {
            stopped = SourceStop::Interrupted;
            return;
        }
        if (report.result == FetchResult::NoWget) {
            stopped = SourceStop::NoWget;
            return;
        }
        if (brought) {
            reader = std::move(candidate);
            return;
        }
    }
}

void XmltvSource::convertChannel(const ChannelStep& step, std::FILE* epg, ChannelReport& report) {
    FetchReport told{step.ordinal, step.total, step.channel, GuideDate{}, FetchResult::Nothing};
    told.daysAsked = static_cast<int>(dayStarts.size()) - 1;
    told.daysFound = 0;
    told.noGuide = !reader;
    report.lastFetch = FetchResult::Nothing;
    if (reader) {
        const std::size_t index = static_cast<std::size_t>(step.ordinal - 1);
        const std::vector<XmltvEvent>& events = reader->events(index);
        writeXmltvEvents(epg, events);
        const int days = countEventDays(events, dayStarts);
        // A channel counts a day when one of its events starts on it.
        report.eventsConverted = static_cast<int>(events.size());
        report.daysConverted = days;
        const XmltvChannelStats stats = reader->stats(index);
        told.notInGuide = !stats.declared && stats.programmes == 0;
        if (told.notInGuide && listing)
            told.closest = closestChannels(*reader, step.channel.key);
        report.lastFetch = events.empty() ? FetchResult::Nothing : FetchResult::Data;
        told.result = report.lastFetch;
        told.events = report.eventsConverted;
        told.daysFound = days;
    }
    view->fetchEnded(told);
}
