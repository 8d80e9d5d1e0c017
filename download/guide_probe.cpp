// guide_probe.cpp: one look at each enabled channel's guide, to see which ones the source answers.
#include "guide_probe.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>

#include "channel_pass.h"
#include "file_open.h"

int ProbeReport::channelsWithEvents() const {
    return channelsWhere(channels, [](const ChannelReport& channel) { return channel.eventsConverted > 0; });
}

ProbeReport probeGuide(const DownloadPlaces& places, int days, DownloadView& view, const Clock& clock,
                       GuideSource& source) {
    ProbeReport report;
    // A run under way uses the same temporary documents: a probe beside it
    // would delete them under its feet.
    ChannelPass pass;
    report.failure = pass.begin(places, clock);
    if (!report.failure) {
        FileHandle counted = openFile("/dev/null", O_WRONLY);
        if (!counted)
            report.failure = Failure{FailureKind::NullDeviceFailed, "/dev/null", errno};
        else {
            report.date = pass.today();
            report.total = pass.total();
            days = days < 1 ? 1 : days;
            report.days = days;
            source.begin(RunDays{pass.today(), pass.midnight(), days}, pass.channels(), view);
            for (const ChannelEntry& channel : pass.channels()) {
                if (source.stop() != SourceStop::None)
                    break;
                const int ordinal = static_cast<int>(report.channels.size()) + 1;
                ChannelReport& probed = report.channels.emplace_back(ChannelReport::reached(ordinal, channel, days));
                source.convertChannel(ChannelStep{probed.ordinal, pass.total(), channel}, counted.get(), probed);
            }
            source.end();
            report.locations = source.locations();
        }
    }
    if (interruptedBy(report.failure)) {
        report.failure = Failure{};
        report.outcome = ProbeOutcome::Interrupted;
    } else if (report.failure)
        report.outcome = ProbeOutcome::Failed;
    else if (source.stop() == SourceStop::Interrupted)
        report.outcome = ProbeOutcome::Interrupted;
    else if (source.stop() == SourceStop::NoWget)
        report.outcome = ProbeOutcome::NoWget;
    return report;
}
