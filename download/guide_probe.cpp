// guide_probe.cpp: one fetch of today's document per enabled channel, to see which ones the service answers.
#include "guide_probe.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "build_info.h"
#include "calendar.h"
#include "channel_list.h"
#include "fetch_command.h"
#include "fetched_document.h"
#include "file_handle.h"
#include "file_open.h"
#include "guide_conversion.h"
#include "run_lock.h"

namespace {

// The records go nowhere, so their times matter not; day 1's, as in a run.
constexpr long kFirstDayOffset = 86400;

struct Probe {
    const DownloadPlaces& places;
    CommandRunner& shell;
    std::FILE* counted;  // /dev/null: the converter's records go nowhere
    GuideConverter converter;
    GuideDate today;
    std::time_t midnight;
};

// Fetches the channel's document for today and counts its events. As in a
// run, only a command that ended well is read: a failed or timed-out fetch
// may have left a cut document, deleted unread.
FetchResult fetchToday(Probe& probe, const ChannelEntry& channel, int ordinal, int& events) {
    DocumentBuffer document;
    char tempPath[64];
    char command[256 + sizeof kGuideHostName];
    events = 0;
    if (!buildTempPath(tempPath, sizeof tempPath, probe.places.tempDir, channel.id, 1) ||
        !buildFetchCommand(command, sizeof command, tempPath, channel.id, probe.today))
        return FetchResult::Nothing;

    FetchResult result = fetchDocument(probe.shell, command, tempPath, document);
    if (result == FetchResult::Data) {
        probe.converter.beginChannel(probe.counted, ordinal, channel.name);
        events = probe.converter.convertDocument(probe.counted, document, kFirstDayOffset, probe.midnight);
        probe.converter.endChannel(probe.counted);
        if (events == 0)
            result = FetchResult::NotAGuide;
    }
    return result;
}

ProbeReport failedProbe(ProbeOutcome outcome, const char* path, int error) {
    ProbeReport report;
    report.outcome = outcome;
    report.failedPath = path;
    report.error = error;
    return report;
}

}  // namespace

int ProbeReport::channelsWithEvents() const {
    int with = 0;
    for (const ProbedChannel& channel : channels)
        if (channel.hasEvents())
            ++with;
    return with;
}

ProbeReport probeGuide(const DownloadPlaces& places, DownloadView& view, const Clock& clock,
                       CommandRunner& shell) {
    // A run under way uses the same temporary documents: a probe beside it
    // would delete them under its feet.
    const RunLock lock(places.lockFile);
    if (lock.state() == RunLock::State::Busy)
        return failedProbe(ProbeOutcome::Busy, places.lockFile, 0);
    if (lock.state() == RunLock::State::Failed)
        return failedProbe(ProbeOutcome::LockFailed, places.lockFile, lock.error());

    // Close-on-exec, so that the fetch commands don't inherit the list; a
    // FIFO or a device is refused at once (EINVAL, EISDIR), never waited for.
    FileHandle list = openRegularFile(places.channelList);
    if (!list)
        return failedProbe(ProbeOutcome::ChannelListMissing, places.channelList, errno);
    const int total = countChannels(list.get());
    if (std::ferror(list.get()) || std::fseek(list.get(), 0, SEEK_SET) != 0)
        return failedProbe(ProbeOutcome::ChannelListMissing, places.channelList, errno);
    if (total == 0)
        return failedProbe(ProbeOutcome::NoChannel, places.channelList, 0);

    FileHandle counted = openFile("/dev/null", O_WRONLY);
    if (!counted)
        return failedProbe(ProbeOutcome::NullDeviceFailed, "/dev/null", errno);

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    Probe probe{places, shell, counted.get(), {}, dateOf(local), localMidnight(local)};
    probe.converter.beginRun();

    ProbeReport report;
    report.date = probe.today;
    report.total = total;
    ChannelEntry channel;
    while (report.outcome == ProbeOutcome::Done && nextChannel(list.get(), channel)) {
        const int ordinal = static_cast<int>(report.channels.size()) + 1;
        view.fetchStarted(FetchStart{ordinal, total, channel, probe.today, 1});
        ProbedChannel& probed = report.channels.emplace_back();
        probed.ordinal = ordinal;
        probed.id = channel.id;
        probed.name = channel.name;
        probed.result = fetchToday(probe, channel, ordinal, probed.events);
        view.fetchEnded(FetchReport{ordinal, total, channel, probe.today, probed.result, probed.events});
        if (probed.result == FetchResult::Interrupted)
            report.outcome = ProbeOutcome::Interrupted;
        else if (probed.result == FetchResult::NoWget)
            report.outcome = ProbeOutcome::NoWget;
    }
    return report;
}
