// download_run.cpp: one download run, from the channel list to the EPG file.
#include "download_run.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

#include "channel_pass.h"
#include "epg_file.h"
#include "epg_output.h"
#include "run_outcome.h"
#include "epg_path_check.h"

namespace {

// The EPG file being written, and why writing it failed.
struct NewGuide {
    std::FILE* epg;
    bool writeFailed = false;
    int writeError = 0;

    // A write that failed: errno says why, for the report.
    void noteWriteFailure() {
        if (!writeFailed)
            writeError = errno != 0 ? errno : EIO;
        writeFailed = true;
    }
};

// Puts the channel's block from the old EPG file in place of the one just
// written, which holds no record. True when it did.
bool keepOldBlock(NewGuide& guide, OldGuide& oldGuide, int block, long blockStart, const ChannelReport& channel) {
    if (block < 0 || blockStart < 0)
        return false;
    const auto rewind = [&] {
        return std::fflush(guide.epg) == 0 && ::ftruncate(::fileno(guide.epg), blockStart) == 0 &&
               std::fseek(guide.epg, blockStart, SEEK_SET) == 0;
    };
    if (!rewind()) {
        guide.noteWriteFailure();
        return false;
    }
    if (oldGuide.copy(block, channel.ordinal, guide.epg))
        return true;
    // An old file that can't be read any more: the empty block again.
    if (!rewind()) {
        guide.noteWriteFailure();
        return false;
    }
    writeChannelHeader(guide.epg, channel.ordinal, channel.name.c_str());
    writeChannelTrailer(guide.epg);
    return false;
}

RunReport endRun(DownloadView& view, RunReport report) {
    view.runEnded(report);
    return report;
}

RunReport failedRun(DownloadView& view, Failure failure) {
    RunReport report;
    report.outcome = RunOutcome::Failed;
    report.failure = std::move(failure);
    return endRun(view, std::move(report));
}

}  // namespace

RunReport runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                      DownloadView& view, const Clock& clock, GuideSource& source) {
    // Before anything is touched: a guide written there, or the clean-up,
    // would destroy a file of the user's.
    if (const EpgPathClash clash = checkEpgPath(epgFilename, places); clash != EpgPathClash::None) {
        Failure refused{FailureKind::EpgPathRefused, epgFilename};
        refused.clash = clash;
        return failedRun(view, std::move(refused));
    }

    ChannelPass pass;
    if (Failure failure = pass.begin(places, clock)) {
        if (interruptedBy(failure)) {
            RunReport report;
            report.outcome = RunOutcome::Interrupted;
            return endRun(view, report);
        }
        return failedRun(view, std::move(failure));
    }

    EpgOutput output;
    if (!output.open(epgFilename))
        return failedRun(view, Failure{FailureKind::OutputNotOpened, epgFilename, output.error()});
    NewGuide guide{output.file()};
    OldGuide oldGuide(epgFilename);

    const int days = daysToDownload < 1 ? 1 : daysToDownload;
    source.begin(RunDays{pass.today(), pass.midnight(), days}, pass.channels(), view);

    RunReport report;
    for (const ChannelEntry& channel : pass.channels()) {
        if (source.stop() != SourceStop::None || guide.writeFailed)
            break;
        const int ordinal = static_cast<int>(report.channels.size()) + 1;
        ChannelReport& reached = report.channels.emplace_back(ChannelReport::reached(ordinal, channel, days));
        const int oldBlock = oldGuide.take(channel.name);
        const long blockStart = std::ftell(guide.epg);

        writeChannelHeader(guide.epg, reached.ordinal, channel.name);
        source.convertChannel(ChannelStep{reached.ordinal, pass.total(), channel}, guide.epg, reached);
        writeChannelTrailer(guide.epg);
        if (std::ferror(guide.epg))
            guide.noteWriteFailure();
        if (!reached.broughtData() && source.stop() == SourceStop::None && !guide.writeFailed)
            reached.keptOldGuide = keepOldBlock(guide, oldGuide, oldBlock, blockStart, reached);
        // Flushed per channel, so that a full storage shows before the
        // next channel's fetches are started.
        if (!guide.writeFailed && (std::fflush(guide.epg) != 0 || std::ferror(guide.epg)))
            guide.noteWriteFailure();
    }

    const RunEnding ending{source.stop(), guide.writeFailed};
    const bool replaced = newFileWorthKeeping(ending, report.channels) && output.commit();
    if (!replaced)
        output.discard();
    source.end();
    report.locations = source.locations();

    report.outcome = runOutcome(ending, replaced, report.channels);
    if (report.outcome == RunOutcome::Failed)
        report.failure = Failure{FailureKind::OutputNotWritten, epgFilename,
                                 guide.writeFailed ? guide.writeError : output.error()};
    if (!replaced)
        for (ChannelReport& reached : report.channels)
            reached.keptOldGuide = false;
    return endRun(view, report);
}
