// download_run.cpp: one download run, from the channel list to the EPG file.
#include "download_run.h"

#include "build_info.h"
#include "epg_filename.h"

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
    bool interrupted = false;

    bool unreachable() const { return timeoutsInARow >= kTimeoutsForUnreachable; }
};

void showOpenFailed(DownloadView& view, const char* epgPath) {
    char text[512];
    std::snprintf(text, sizeof text, "Unable to open output file:\n%s\n\nPress EXIT to close", epgPath);
    view.setInfoText(text);
}

void showFileNotFound(const RunContext& run) {
    char text[512];
    std::snprintf(text, sizeof text, "File not found:\n%s\n\nPress EXIT to close", run.places.channelList);
    run.view.setInfoText(text);
}

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

// The day loop of one channel. Returns the number of days converted; it
// stops at the first day that brought nothing.
int fetchChannel(RunContext& run, const ChannelEntry& channel, int ordinal) {
    char document[kDocumentSize + 1];
    char tempPath[64];
    char command[256 + sizeof kGuideHostName];
    char progress[512];

    GuideDate date = run.today;
    int dayNumber = 0;
    long dayOffset = 0;
    int converted = 0;
    do {
        dayOffset += kDaySeconds;
        ++dayNumber;
        std::snprintf(progress, sizeof progress, "Downloading:\t%d of %d\n\nChannel %d:\t%s\nDate:\t%02d / %02d",
                      ordinal, run.total, channel.id, channel.name, date.day, date.month);
        run.view.setInfoText(progress);

        if (!buildTempPath(tempPath, sizeof tempPath, run.places.tempDir, channel.id, dayNumber) ||
            !buildFetchCommand(command, sizeof command, tempPath, channel.id, date))
            break;
        const CommandStatus status = run.shell.run(command);
        if (status == CommandStatus::Interrupted) {
            ::unlink(tempPath);
            run.interrupted = true;
            break;
        }
        const bool timedOut = status == CommandStatus::TimedOut;
        run.timeoutsInARow = timedOut ? run.timeoutsInARow + 1 : 0;
        FetchResult result = FetchResult::TimedOut;
        if (timedOut)
            // Whatever came before the limit is a cut document.
            ::unlink(tempPath);
        else if (readDocument(tempPath, document) <= kEmptyDocument)
            result = FetchResult::Nothing;
        else
            result = FetchResult::Data;
        run.view.fetchEnded(FetchReport{ordinal, run.total, channel, date, result});
        if (result != FetchResult::Data)
            break;
        run.converter.convertDocument(run.epg, document, dayOffset, run.midnight);
        ++converted;
        if (std::ferror(run.epg)) {
            run.writeFailed = true;
            break;
        }
        stepDay(date);
    } while (dayNumber < run.days);
    return converted;
}

}  // namespace

RunOutcome runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                       DownloadView& view, const Clock& clock, CommandRunner& shell) {
    view.hideButtons();

    // Before any file is touched: two runs would share the temporary
    // documents, delete each other's, and race for the EPG file. A lock
    // file that cannot be made (no /tmp to write in) lets the run go on:
    // it then fetches nothing and keeps the old file anyway.
    const RunLock lock(places.lockFile);
    if (lock.state() == RunLock::State::Busy) {
        view.setInfoText("Another download is running\n\nPress EXIT to close");
        return RunOutcome::Busy;
    }

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    GuideConverter converter;
    converter.beginRun();

    char epgPath[kEpgFilenameSize];
    std::snprintf(epgPath, sizeof epgPath, "%.*s", static_cast<int>(sizeof epgPath - 1), epgFilename);
    EpgOutput output;
    if (!output.open(epgPath)) {
        showOpenFailed(view, epgPath);
        return RunOutcome::NotReplaced;
    }

    RunContext run{places, view, shell, output.file(), converter, dateOf(local), localMidnight(local),
                   daysToDownload, 0};

    // "e": close-on-exec, so that the fetch commands don't inherit the list.
    FileHandle list(std::fopen(places.channelList, "rbe"));
    if (!list) {
        showFileNotFound(run);
        return RunOutcome::NotReplaced;
    }
    run.total = countChannels(list.get());
    list.reset(std::fopen(places.channelList, "rbe"));
    if (!list) {
        deleteTempFiles(places, shell);
        showFileNotFound(run);
        return RunOutcome::NotReplaced;
    }

    ChannelEntry channel;
    int ordinal = 0;
    int withoutData = 0;
    // A full or failing storage ends the run: fetching more would only
    // cost time.
    while (!run.writeFailed && !run.interrupted && nextChannel(list.get(), channel)) {
        ++ordinal;
        converter.beginChannel(run.epg, ordinal, channel.name);
        if (run.unreachable()) {
            // No command is started for the channels left.
            ++withoutData;
            run.view.fetchEnded(FetchReport{ordinal, run.total, channel, run.today, FetchResult::Skipped});
        } else if (deleteTempFiles(places, shell) == CommandStatus::Interrupted) {
            run.interrupted = true;
        } else if (fetchChannel(run, channel, ordinal) == 0) {
            ++withoutData;
        }
        converter.endChannel(run.epg);
        // Flushed per channel, so that a full storage shows before the
        // next channel's fetches are started.
        run.writeFailed = run.writeFailed || std::fflush(run.epg) != 0 || std::ferror(run.epg);
    }
    list.reset();

    // With no guide at all the old file is worth more than an empty one.
    // An interrupted run keeps the old file, whatever it fetched.
    const bool keepOld = run.interrupted || (!run.writeFailed && ordinal > 0 && withoutData == ordinal);
    const bool replaced = !keepOld && !run.writeFailed && output.commit();
    if (!replaced)
        output.discard();
    deleteTempFiles(places, shell);

    char text[512];
    if (run.interrupted)
        std::snprintf(text, sizeof text, "Download interrupted\n\nPress EXIT to close");
    else if (!keepOld && !replaced)
        std::snprintf(text, sizeof text, "Unable to write output file:\n%s\n\nPress EXIT to close", epgPath);
    else if (withoutData > 0)
        std::snprintf(text, sizeof text, "Download incomplete:\nno guide data for %d of %d channels\n\nPress EXIT to close",
                      withoutData, ordinal);
    else
        std::snprintf(text, sizeof text, "DONE!\nPress EXIT to close");
    view.setInfoText(text);
    if (!replaced)
        return RunOutcome::NotReplaced;
    return withoutData > 0 ? RunOutcome::Incomplete : RunOutcome::Done;
}
