// probe_command.cpp: tarvio-fetch --probe: which channels today's guide answers, one fetch each.
#include "probe_command.h"

#include <cstdio>
#include <string>

#include <unistd.h>

#include "console_view.h"
#include "guide_probe.h"

namespace {

// A line per channel, kept: unlike a run's progress, the lines are the
// answer. On a terminal the fetch under way shows on the line its result
// then replaces.
class ProbeView final : public DownloadView {
public:
    ProbeView(std::FILE* stream, bool quiet)
        : stream(stream), quiet(quiet), inPlace(::isatty(::fileno(stream)) == 1) {}

    void fetchStarted(const FetchStart& start) override { showUnderWay(describeFetchStart(start)); }

    // A whole guide's reading shows as it goes, on the line its result
    // then replaces.
    void guideProgress(const GuideProgress& progress) override { showUnderWay(describeGuideProgress(progress)); }

    void fetchEnded(const FetchReport& report) override {
        // The interrupted fetch's line stays as it is: the outcome says why.
        if (report.result == FetchResult::Interrupted)
            return;
        if (quiet && (report.result == FetchResult::Data || report.result == FetchResult::Cut))
            return;
        // Back to the start of the line, the result, the rest of the old one cleared.
        std::fprintf(stream, inPlace ? "\r%s\033[K\n" : "%s\n", describeFetch(report).c_str());
        std::fflush(stream);
        lineOpen = false;
    }

    void locationEnded(const LocationReport& location) override {
        if (quiet && location.brought())
            return;
        std::fprintf(stream, inPlace && lineOpen ? "\r%s\033[K\n" : "%s\n", describeLocation(location).c_str());
        lineOpen = false;
        std::fflush(stream);
    }

    void endProgress() {
        if (lineOpen)
            std::fputc('\n', stream);
        lineOpen = false;
    }

private:
    void showUnderWay(std::string line) {
        if (quiet || !inPlace)
            return;
        fitTerminalWidth(line, stream);
        // Over what the line showed before, if it is still open.
        std::fprintf(stream, lineOpen ? "\r%s\033[K" : "%s", line.c_str());
        std::fflush(stream);
        lineOpen = true;
    }

    std::FILE* stream;
    bool quiet;
    bool inPlace;
    bool lineOpen = false;
};

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
    ProbeView view(stdout, quiet);
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
