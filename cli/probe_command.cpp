// probe_command.cpp: tarvio-fetch --probe: which channels today's guide answers, one fetch each.
#include "probe_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "console_view.h"
#include "guide_probe.h"
#include "terminal_text.h"

namespace {

// Why no probe was made, or why it stopped; empty when it went through.
std::string describeStop(const ProbeReport& report) {
    switch (report.outcome) {
    case ProbeOutcome::Done: return "";
    case ProbeOutcome::Interrupted: return "Probe interrupted";
    case ProbeOutcome::NoWget:
        return "Probe stopped: the shell could not start wget (is it installed and on PATH?)";
    case ProbeOutcome::Failed: return describeFailure(report.failure);
    }
    return "";
}

int exitStatus(const ProbeReport& report) {
    if (report.outcome == ProbeOutcome::Failed && report.failure.what == FailureKind::Busy)
        return kProbeBusy;
    if (report.outcome != ProbeOutcome::Done)
        return kProbeNoneAnswered;
    const int with = report.channelsWithEvents();
    if (with == report.total)
        return kProbeAllAnswered;
    return with == 0 ? kProbeNoneAnswered : kProbeSomeSilent;
}

}  // namespace

int probeChannels(const DownloadPlaces& places, int days, GuideSource& source, bool quiet) {
    ConsoleView view(stdout, quiet, ConsoleView::Lines::Answers);
    SystemClock clock;
    const ProbeReport report = probeGuide(places, days, view, clock, source);
    // A whole guide that names no such channel: the ids that come closest.
    for (const ChannelReport& channel : report.channels) {
        if (!channel.notInGuide)
            continue;
        std::string closest;
        for (const std::string& id : channel.closest)
            closest += (closest.empty() ? "" : ", ") + terminalText(id.c_str());
        std::printf("[%d/%d] %s: the guide has no such channel%s%s\n", channel.ordinal, report.total,
                    terminalText(channel.name.c_str()).c_str(), closest.empty() ? "" : "; closest: ",
                    closest.c_str());
    }
    view.endProgress();

    if (report.outcome != ProbeOutcome::Done) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", describeStop(report).c_str());
    } else if (!quiet) {
        std::printf("channels with guide data for %02d/%02d: %d of %d\n", report.date.day, report.date.month,
                    report.channelsWithEvents(), report.total);
    }
    return exitStatus(report);
}
