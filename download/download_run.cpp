// download_run.cpp: one download run, from the channel list to the EPG file.
#include "download_run.h"

#include "build_info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "calendar.h"
#include "channel_list.h"
#include "epg_output.h"
#include "fetch_command.h"
#include "file_handle.h"
#include "guide_conversion.h"
#include "run_lock.h"

namespace {

constexpr long kDaySeconds = 86400;
constexpr std::size_t kDocumentSize = 60000;
// A fetch that leaves this little behind brought no guide.
constexpr long kEmptyDocument = 10;
// After this many fetches in a row ran out of time the service counts as
// unreachable: a dead service holds the screen for twice the limit, not
// for every channel.
constexpr int kTimeoutsForUnreachable = 2;

struct RunContext {
    const DownloadPlaces& places;
    DownloadView& view;
    CommandRunner& shell;
    std::FILE* epg;
    GuideConverter& converter;
    GuideDate today;
    std::time_t midnight;
    int days;
    int total;
    int timeoutsInARow = 0;
    bool writeFailed = false;
    int writeError = 0;
    bool interrupted = false;

    bool unreachable() const { return timeoutsInARow >= kTimeoutsForUnreachable; }
};

CommandStatus deleteTempFiles(const DownloadPlaces& places, CommandRunner& shell) {
    char command[128];
    if (!buildCleanupCommand(command, sizeof command, places.tempDir))
        return CommandStatus::NotStarted;
    return shell.run(command);
}

// Bytes read from the fetched document, or -1 when there is none.
long readDocument(const char* path, char (&document)[kDocumentSize + 1]) {
    FileHandle file(std::fopen(path, "rb"));
    if (!file)
        return -1;
    std::memset(document, 0, sizeof document);
    return static_cast<long>(std::fread(document, 1, kDocumentSize, file.get()));
}

// A write that failed: errno says why, for the report.
void noteWriteFailure(RunContext& run) {
    if (!run.writeFailed)
        run.writeError = errno;
    run.writeFailed = true;
}

// The day loop of one channel; it stops at the first day that brought nothing.
void fetchChannel(RunContext& run, const ChannelEntry& channel, ChannelReport& report) {
    char document[kDocumentSize + 1];
    char tempPath[64];
    char command[256 + sizeof kGuideHostName];

    GuideDate date = run.today;
    int dayNumber = 0;
    long dayOffset = 0;
    do {
        dayOffset += kDaySeconds;
        ++dayNumber;
        run.view.fetchStarted(FetchStart{report.ordinal, run.total, channel, date, dayNumber});

        if (!buildTempPath(tempPath, sizeof tempPath, run.places.tempDir, channel.id, dayNumber) ||
            !buildFetchCommand(command, sizeof command, tempPath, channel.id, date))
            break;
        const CommandStatus status = run.shell.run(command);
        FetchResult result = FetchResult::Data;
        if (status == CommandStatus::Interrupted) {
            ::unlink(tempPath);
            run.interrupted = true;
            result = FetchResult::Interrupted;
        } else if (status == CommandStatus::TimedOut) {
            // Whatever came before the limit is a cut document.
            ::unlink(tempPath);
            result = FetchResult::TimedOut;
        } else if (readDocument(tempPath, document) <= kEmptyDocument) {
            result = FetchResult::Nothing;
        }
        if (result != FetchResult::Interrupted)
            run.timeoutsInARow = result == FetchResult::TimedOut ? run.timeoutsInARow + 1 : 0;
        report.lastFetch = result;
        run.view.fetchEnded(FetchReport{report.ordinal, run.total, channel, date, result});
        if (result != FetchResult::Data)
            break;
        report.eventsConverted += run.converter.convertDocument(run.epg, document, dayOffset, run.midnight);
        ++report.daysConverted;
        if (std::ferror(run.epg)) {
            noteWriteFailure(run);
            break;
        }
        stepDay(date);
    } while (dayNumber < run.days);
}

// The report of a run that ended before any channel, for the reason given.
RunReport failedRun(RunOutcome outcome, const char* path, int error) {
    RunReport report;
    report.outcome = outcome;
    report.failedPath = path;
    report.error = error;
    return report;
}

}  // namespace

RunReport runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                      DownloadView& view, const Clock& clock, CommandRunner& shell) {
    // Before any file is touched: two runs would share the temporary
    // documents, delete each other's, and race for the EPG file. A lock
    // file that cannot be made (no /tmp to write in) lets the run go on:
    // it then fetches nothing and keeps the old file anyway.
    const RunLock lock(places.lockFile);
    if (lock.state() == RunLock::State::Busy) {
        RunReport report = failedRun(RunOutcome::Busy, places.lockFile, 0);
        view.runEnded(report);
        return report;
    }

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    GuideConverter converter;
    converter.beginRun();

    EpgOutput output;
    if (!output.open(epgFilename)) {
        RunReport report = failedRun(RunOutcome::OutputNotOpened, epgFilename, output.error());
        view.runEnded(report);
        return report;
    }

    RunContext run{places, view, shell, output.file(), converter, dateOf(local), localMidnight(local),
                   daysToDownload, 0};

    // "e": close-on-exec, so that the fetch commands don't inherit the list.
    FileHandle list(std::fopen(places.channelList, "rbe"));
    if (!list) {
        RunReport report = failedRun(RunOutcome::ChannelListMissing, places.channelList, errno);
        view.runEnded(report);
        return report;
    }
    run.total = countChannels(list.get());
    list.reset(std::fopen(places.channelList, "rbe"));
    if (!list) {
        RunReport report = failedRun(RunOutcome::ChannelListMissing, places.channelList, errno);
        deleteTempFiles(places, shell);
        view.runEnded(report);
        return report;
    }

    RunReport report;
    ChannelEntry channel;
    // A full or failing storage ends the run: fetching more would only
    // cost time.
    while (!run.writeFailed && !run.interrupted && nextChannel(list.get(), channel)) {
        ChannelReport& reached = report.channels.emplace_back();
        reached.ordinal = static_cast<int>(report.channels.size());
        reached.id = channel.id;
        reached.name = channel.name;
        reached.daysAsked = daysToDownload < 1 ? 1 : daysToDownload;
        converter.beginChannel(run.epg, reached.ordinal, channel.name);
        if (run.unreachable()) {
            // No command is started for the channels left.
            run.view.fetchEnded(FetchReport{reached.ordinal, run.total, channel, run.today, FetchResult::Skipped});
        } else if (deleteTempFiles(places, shell) == CommandStatus::Interrupted) {
            run.interrupted = true;
            reached.lastFetch = FetchResult::Interrupted;
        } else {
            fetchChannel(run, channel, reached);
        }
        converter.endChannel(run.epg);
        // Flushed per channel, so that a full storage shows before the
        // next channel's fetches are started.
        if (!run.writeFailed && (std::fflush(run.epg) != 0 || std::ferror(run.epg)))
            noteWriteFailure(run);
    }
    list.reset();

    // With no guide at all the old file is worth more than an empty one.
    // An interrupted run keeps the old file, whatever it fetched.
    const int reachedCount = static_cast<int>(report.channels.size());
    const int withoutData = report.channelsWithoutData();
    const bool keepOld = run.interrupted || (!run.writeFailed && reachedCount > 0 && withoutData == reachedCount);
    const bool replaced = !keepOld && !run.writeFailed && output.commit();
    if (!replaced)
        output.discard();
    deleteTempFiles(places, shell);

    if (run.interrupted) {
        report.outcome = RunOutcome::Interrupted;
    } else if (!keepOld && !replaced) {
        report.outcome = RunOutcome::OutputNotWritten;
        report.failedPath = epgFilename;
        report.error = run.writeFailed ? run.writeError : output.error();
    } else if (keepOld) {
        report.outcome = RunOutcome::NoGuideData;
    } else {
        report.outcome = withoutData > 0 ? RunOutcome::Incomplete : RunOutcome::Done;
    }
    view.runEnded(report);
    return report;
}
