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

// Tells the view how far the reading has come, a few times a second; stops
// a local file's reading when the run is asked to stop.
class ProgressTeller final : public XmltvReadListener, public OutputSink {
public:
    ProgressTeller(const std::string& location, XmltvReader& reader, DownloadView& view, CommandRunner& shell)
        : location(location), reader(reader), view(view), shell(shell) {}

    bool pieceRead(const XmltvReader&) override {
        if (shell.takeInterrupt()) {
            interrupted = true;
            return false;
        }
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

    bool interrupted = false;

private:
    const std::string& location;
    XmltvReader& reader;
    DownloadView& view;
    CommandRunner& shell;
    long long told = -kProgressMilliseconds;
};

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Edits that make one text the other, or more than bound once that is
// sure: the rest is not worth working out. Both are in lower case.
std::size_t distance(const std::string& x, const std::string& y, std::size_t bound) {
    // Never fewer edits than the lengths differ by.
    if ((x.size() > y.size() ? x.size() - y.size() : y.size() - x.size()) > bound)
        return bound + 1;
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        std::size_t least = row[0];
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
            least = std::min(least, row[j]);
        }
        // No later row holds less than this one's least.
        if (least > bound)
            return bound + 1;
    }
    return row[y.size()];
}

// The closest candidates so far, the closest first; among equals the one
// seen first.
class Closest {
public:
    static constexpr std::size_t kKept = 3;

    explicit Closest(const std::string& id) : query(lowered(id)) {}

    void consider(const std::string& candidate, const std::string& name) {
        // Longer than a channel list's id can be: no line means it.
        if (candidate.size() >= sizeof(ChannelEntry::key))
            return;
        // Only one closer than the farthest of three kept can take its place.
        if (best.size() == kKept && best.back().first == 0)
            return;
        const std::size_t bound = best.size() < kKept ? kUnbounded : best.back().first - 1;
        std::size_t score = distance(query, lowered(candidate), bound);
        if (!name.empty())
            score = std::min(score, distance(query, lowered(name), std::min(bound, score)));
        if (score > bound)
            return;
        // An id the guide gives twice keeps its closest score.
        const auto same = std::find_if(best.begin(), best.end(), [&](const auto& b) { return b.second == candidate; });
        if (same != best.end()) {
            if (same->first <= score)
                return;
            best.erase(same);
        }
        const auto after = std::upper_bound(best.begin(), best.end(), score,
                                            [](std::size_t s, const auto& b) { return s < b.first; });
        best.insert(after, {score, candidate});
        if (best.size() > kKept)
            best.pop_back();
    }

    std::vector<std::string> ids() const {
        std::vector<std::string> found;
        for (const auto& entry : best)
            found.push_back(entry.second);
        return found;
    }

private:
    static constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1) / 2;

    std::string query;
    std::vector<std::pair<std::size_t, std::string>> best;
};

}  // namespace

bool buildGuideCommand(char* out, std::size_t size, const std::string& url) {
    if (locationProblem(url) || !isUrl(url))
        return false;
    const int written = std::snprintf(out, size, "wget -q -t 1 -U Tarvio/%s -O - '%s' 2> /dev/null",
                                      kTarvioVersion, url.c_str());
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

std::vector<std::string> closestChannels(const XmltvReader& guide, const std::string& id) {
    Closest closest(id);
    for (const XmltvChannelName& channel : guide.declaredChannels())
        closest.consider(channel.id, channel.name);
    for (const std::string& other : guide.undeclaredIds())
        closest.consider(other, "");
    return closest.ids();
}

XmltvSource::XmltvSource(GuideSourceSettings settings, CommandRunner& shell)
    : settings(std::move(settings)), shell(shell) {}

bool XmltvSource::readLocation(const std::string& location, XmltvReader& into, LocationReport& report) {
    ProgressTeller teller(location, into, *view, shell);
    if (!isUrl(location)) {
        const bool read = readXmltvFile(location.c_str(), into, &teller);
        report.result = read ? FetchResult::Data : teller.interrupted ? FetchResult::Interrupted : FetchResult::Nothing;
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
