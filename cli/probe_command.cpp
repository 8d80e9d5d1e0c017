// probe_command.cpp: tarvio-fetch --probe: which channels today's guide answers, one fetch each.
#include "probe_command.h"

#include <cstdio>
#include <string>

#include <unistd.h>

#include "console_view.h"
#include "guide_probe.h"

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
    view.endProgress();

    if (report.outcome != ProbeOutcome::Done) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", describeStop(report).c_str());
    } else if (!quiet && report.days == 1) {
        std::printf("channels with guide data for %02d/%02d: %d of %d\n", report.date.day, report.date.month,
                    report.channelsWithEvents(), report.total);
    } else if (!quiet) {
        std::printf("channels with guide data in the %d days from %02d/%02d: %d of %d\n", report.days,
                    report.date.day, report.date.month, report.channelsWithEvents(), report.total);
    }
    return exitStatus(report);
}
