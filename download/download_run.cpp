// download_run.cpp: one download run, from the channel list to the EPG file.
#include "download_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "build_info.h"
#include "calendar.h"
#include "channel_list.h"
#include "epg_output.h"
#include "epg_path_check.h"
#include "epg_writer.h"
#include "fetch_command.h"
#include "fetched_document.h"
#include "file_handle.h"
#include "file_open.h"
#include "guide_conversion.h"
#include "old_guide.h"
#include "run_lock.h"

namespace {

constexpr long kDaySeconds = 86400;
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
    OldGuide& oldGuide;
    GuideDate today;
    std::time_t midnight;
    int days;
    int total;
    int timeoutsInARow = 0;
    bool writeFailed = false;
    int writeError = 0;
    bool interrupted = false;
    bool noWget = false;

    bool unreachable() const { return timeoutsInARow >= kTimeoutsForUnreachable; }
    // Fetching more would only cost time, or could not work.
    bool stopped() const { return writeFailed || interrupted || noWget; }
};

CommandStatus deleteTempFiles(const DownloadPlaces& places, CommandRunner& shell) {
    char command[128];
    if (!buildCleanupCommand(command, sizeof command, places.tempDir))
        return CommandStatus::NotStarted;
    return shell.run(command);
}

// A write that failed: errno says why, for the report.
void noteWriteFailure(RunContext& run) {
    if (!run.writeFailed)
        run.writeError = errno;
    run.writeFailed = true;
}

// One fetch, and what it tells of the run: an interrupt, no wget, a
// service that stopped answering.
FetchResult fetchDay(RunContext& run, const char* command, const char* tempPath, DocumentBuffer& document) {
    const FetchResult result = fetchDocument(run.shell, command, tempPath, document);
    run.interrupted = run.interrupted || result == FetchResult::Interrupted;
    run.noWget = run.noWget || result == FetchResult::NoWget;
    if (result != FetchResult::Interrupted)
        run.timeoutsInARow = result == FetchResult::TimedOut ? run.timeoutsInARow + 1 : 0;
    return result;
}

// The day loop of one channel; it stops at the first day that brought nothing.
void fetchChannel(RunContext& run, const ChannelEntry& channel, ChannelReport& report) {
    DocumentBuffer document;
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
        FetchResult result = fetchDay(run, command, tempPath, document);
        int events = 0;
        if (result == FetchResult::Data) {
            // A document without an event (an error page, junk) is still
            // converted, as the box always did, but brings no guide.
            events = run.converter.convertDocument(run.epg, document, dayOffset, run.midnight);
            if (events > 0) {
                ++report.daysConverted;
                report.eventsConverted += events;
            } else {
                result = FetchResult::NotAGuide;
            }
        }
        report.lastFetch = result;
        run.view.fetchEnded(FetchReport{report.ordinal, run.total, channel, date, result, events});
        if (result != FetchResult::Data && result != FetchResult::NotAGuide)
            break;
        if (std::ferror(run.epg)) {
            noteWriteFailure(run);
            break;
        }
        stepDay(date);
    } while (dayNumber < run.days);
}

// Puts the channel's block from the old EPG file in place of the one just
// written, which holds no record. True when it did.
bool keepOldBlock(RunContext& run, int block, long blockStart, const ChannelReport& channel) {
    if (block < 0 || blockStart < 0)
        return false;
    const auto rewind = [&] {
        return std::fflush(run.epg) == 0 && ::ftruncate(::fileno(run.epg), blockStart) == 0 &&
               std::fseek(run.epg, blockStart, SEEK_SET) == 0;
    };
    if (!rewind()) {
        noteWriteFailure(run);
        return false;
    }
    if (run.oldGuide.copy(block, channel.ordinal, run.epg))
        return true;
    // An old file that can't be read any more: the empty block again.
    if (!rewind()) {
        noteWriteFailure(run);
        return false;
    }
    writeChannelHeader(run.epg, channel.ordinal, channel.name.c_str());
    writeChannelTrailer(run.epg);
    return false;
}

// The report of a run that ended before any channel, for the reason given.
RunReport failedRun(RunOutcome outcome, const char* path, int error) {
    RunReport report;
    report.outcome = outcome;
    report.failedPath = path;
    report.error = error;
    return report;
}

RunReport endRun(DownloadView& view, RunReport report) {
    view.runEnded(report);
    return report;
}

}  // namespace

RunReport runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                      DownloadView& view, const Clock& clock, CommandRunner& shell) {
    // Before anything is touched: a guide written there, or the clean-up,
    // would destroy a file of the user's.
    if (const EpgPathClash clash = checkEpgPath(epgFilename, places); clash != EpgPathClash::None) {
        RunReport refused = failedRun(RunOutcome::EpgPathRefused, epgFilename, 0);
        refused.clash = clash;
        return endRun(view, refused);
    }

    // Before any file is touched: two runs would share the temporary
    // documents, delete each other's, and race for the EPG file. A lock
    // that can't be taken refuses the run: going on unlocked could do
    // exactly that.
    const RunLock lock(places.lockFile);
    if (lock.state() == RunLock::State::Busy)
        return endRun(view, failedRun(RunOutcome::Busy, places.lockFile, 0));
    if (lock.state() == RunLock::State::Failed)
        return endRun(view, failedRun(RunOutcome::LockFailed, places.lockFile, lock.error()));

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    GuideConverter converter;
    converter.beginRun();

    EpgOutput output;
    if (!output.open(epgFilename))
        return endRun(view, failedRun(RunOutcome::OutputNotOpened, epgFilename, output.error()));

    // Close-on-exec, so that the fetch commands don't inherit the list; a
    // FIFO or a device is refused at once (EINVAL, EISDIR), never waited for.
    FileHandle list = openRegularFile(places.channelList);
    if (!list)
        return endRun(view, failedRun(RunOutcome::ChannelListMissing, places.channelList, errno));
    const int total = countChannels(list.get());
    // With nothing to fetch, the old guide is worth more than an empty one.
    if (total == 0)
        return endRun(view, failedRun(RunOutcome::NoChannel, places.channelList, 0));
    list = openRegularFile(places.channelList);
    if (!list) {
        const int error = errno;
        deleteTempFiles(places, shell);
        return endRun(view, failedRun(RunOutcome::ChannelListMissing, places.channelList, error));
    }

    OldGuide oldGuide;
    oldGuide.open(epgFilename);
    RunContext run{places, view, shell, output.file(), converter, oldGuide, dateOf(local), localMidnight(local),
                   daysToDownload, total};

    RunReport report;
    ChannelEntry channel;
    while (!run.stopped() && nextChannel(list.get(), channel)) {
        ChannelReport& reached = report.channels.emplace_back();
        reached.ordinal = static_cast<int>(report.channels.size());
        reached.id = channel.id;
        reached.name = channel.name;
        reached.daysAsked = daysToDownload < 1 ? 1 : daysToDownload;
        const int oldBlock = oldGuide.take(channel.name);
        const long blockStart = std::ftell(run.epg);
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
        if (!reached.broughtData() && !run.stopped())
            reached.keptOldGuide = keepOldBlock(run, oldBlock, blockStart, reached);
        // Flushed per channel, so that a full storage shows before the
        // next channel's fetches are started.
        if (!run.writeFailed && (std::fflush(run.epg) != 0 || std::ferror(run.epg)))
            noteWriteFailure(run);
    }
    list.reset();

    // With no new guide at all the old file stays exactly as it was, its
    // time of modification too, so that the next run tries again. An
    // interrupted run keeps the old file, whatever it fetched.
    const bool anyData = report.channelsWithoutData() < static_cast<int>(report.channels.size());
    const bool keepOld = run.interrupted || run.noWget || (!run.writeFailed && !anyData);
    const bool replaced = !keepOld && !run.writeFailed && output.commit();
    if (!replaced)
        output.discard();
    deleteTempFiles(places, shell);

    if (run.interrupted) {
        report.outcome = RunOutcome::Interrupted;
    } else if (run.noWget) {
        report.outcome = RunOutcome::NoWget;
    } else if (!keepOld && !replaced) {
        report.outcome = RunOutcome::OutputNotWritten;
        report.failedPath = epgFilename;
        report.error = run.writeFailed ? run.writeError : output.error();
    } else if (keepOld) {
        report.outcome = RunOutcome::NoGuideData;
    } else {
        const bool complete = report.channelsWithoutData() == 0 && report.channelsShort() == 0;
        report.outcome = complete ? RunOutcome::Done : RunOutcome::Incomplete;
    }
    if (!replaced)
        for (ChannelReport& reached : report.channels)
            reached.keptOldGuide = false;
    return endRun(view, report);
}
