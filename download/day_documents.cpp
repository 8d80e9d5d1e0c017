// day_documents.cpp: the guide service's day documents as a run's source.
#include "day_documents.h"

namespace {

constexpr long kDaySeconds = 86400;
// After this many fetches in a row ran out of time the service counts as
// unreachable: a dead service holds the screen for twice the limit, not
// for every channel.
constexpr int kTimeoutsForUnreachable = 2;

}  // namespace

void DayDocuments::begin(const RunDays& runDays, const std::vector<ChannelEntry>&, DownloadView& runView) {
    days = runDays;
    view = &runView;
    converter.beginRun();
}

bool DayDocuments::unreachable() const {
    return mode == Mode::Run && timeoutsInARow >= kTimeoutsForUnreachable;
}

void DayDocuments::convertChannel(const ChannelStep& step, std::FILE* epg, ChannelReport& report) {
    converter.beginChannel();
    if (unreachable()) {
        // No command is started for the channels left.
        view->fetchEnded(FetchReport{step.ordinal, step.total, step.channel, days.today, FetchResult::Skipped});
        return;
    }
    if (mode == Mode::Run && !fetcher.removeDocuments()) {
        stopped = SourceStop::Interrupted;
        report.lastFetch = FetchResult::Interrupted;
        return;
    }
    fetchDays(step, epg, report);
}

// One fetch, and what it tells of the run: an interrupt, no wget, a
// service that stopped answering.
FetchedDocument DayDocuments::fetchDay(const ChannelEntry& channel, const GuideDate& date, int dayNumber) {
    const FetchedDocument fetched = fetcher.fetch(channel, date, dayNumber, document);
    if (fetched.result == FetchResult::Interrupted)
        stopped = SourceStop::Interrupted;
    else if (fetched.result == FetchResult::NoWget)
        stopped = SourceStop::NoWget;
    if (fetched.result != FetchResult::Interrupted)
        timeoutsInARow = fetched.result == FetchResult::TimedOut ? timeoutsInARow + 1 : 0;
    return fetched;
}

void DayDocuments::fetchDays(const ChannelStep& step, std::FILE* epg, ChannelReport& report) {
    GuideDate date = days.today;
    int dayNumber = 0;
    long dayOffset = 0;
    do {
        dayOffset += kDaySeconds;
        ++dayNumber;
        view->fetchStarted(FetchStart{step.ordinal, step.total, step.channel, date, dayNumber});
        const FetchedDocument fetched = fetchDay(step.channel, date, dayNumber);
        FetchResult result = fetched.result;
        int events = 0;
        if (result == FetchResult::Data) {
            // A document without an event (an error page, junk) is still
            // converted, as the box always did, but brings no guide.
            events = converter.convertDocument(epg, document, dayOffset, days.midnight);
            if (events == 0) {
                result = FetchResult::NotAGuide;
            } else {
                ++report.daysConverted;
                report.eventsConverted += events;
                if (fetched.cut) {
                    // Converted as the box always did, but the day is not whole.
                    ++report.daysCut;
                    result = FetchResult::Cut;
                }
            }
        }
        report.lastFetch = result;
        view->fetchEnded(FetchReport{step.ordinal, step.total, step.channel, date, result, events});
        if (result != FetchResult::Data && result != FetchResult::Cut && result != FetchResult::NotAGuide)
            break;
        if (std::ferror(epg))
            break;
        stepDay(date);
    } while (dayNumber < days.days);
}

void DayDocuments::end() {
    if (mode == Mode::Run)
        fetcher.removeDocuments();
}
