// probe_command.cpp: tarvio-fetch --probe: which channels today's guide answers, one fetch each.
#include "probe_command.h"

#include <cstdio>
#include <cstring>
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

    void fetchStarted(const FetchStart& start) override {
        if (quiet || !inPlace)
            return;
        std::string line = describeFetchStart(start);
        fitTerminalWidth(line, stream);
        std::fprintf(stream, "%s", line.c_str());
        std::fflush(stream);
        lineOpen = true;
    }

    void fetchEnded(const FetchReport& report) override {
        // The interrupted fetch's line stays as it is: the outcome says why.
        if (report.result == FetchResult::Interrupted)
            return;
        if (quiet && report.result == FetchResult::Data)
            return;
        // Back to the start of the line, the result, the rest of the old one cleared.
        std::fprintf(stream, inPlace ? "\r%s\033[K\n" : "%s\n", describeFetch(report).c_str());
        std::fflush(stream);
        lineOpen = false;
    }

    void endProgress() {
        if (lineOpen)
            std::fputc('\n', stream);
        lineOpen = false;
    }

private:
    std::FILE* stream;
    bool quiet;
    bool inPlace;
    bool lineOpen = false;
};

// Why no probe was made, or why it stopped; empty when it went through.
std::string describeFailure(const ProbeReport& report) {
    const std::string& path = report.failedPath;
    switch (report.outcome) {
    case ProbeOutcome::Done: return "";
    case ProbeOutcome::Interrupted: return "Probe interrupted";
    case ProbeOutcome::NoWget:
        return "Probe stopped: the shell could not start wget (is it installed and on PATH?)";
    case ProbeOutcome::Busy: return "Another download is running";
    case ProbeOutcome::LockFailed: return "Unable to use the lock file " + path + ": " + failureReason(report.error);
    case ProbeOutcome::ChannelListMissing:
        return "tarvio-fetch: cannot read the channel list " + path + ": " + failureReason(report.error);
    case ProbeOutcome::NoChannel: return "No channel enabled in: " + path;
    case ProbeOutcome::NullDeviceFailed: return "Unable to open " + path + ": " + std::strerror(report.error);
    }
    return "";
}

int exitStatus(const ProbeReport& report) {
    if (report.outcome == ProbeOutcome::Busy)
        return kProbeBusy;
    if (report.outcome != ProbeOutcome::Done)
        return kProbeNoneAnswered;
    const int with = report.channelsWithEvents();
    if (with == report.total)
        return kProbeAllAnswered;
    return with == 0 ? kProbeNoneAnswered : kProbeSomeSilent;
}

}  // namespace

int probeChannels(const DownloadPlaces& places, CommandRunner& shell, bool quiet) {
    ProbeView view(stdout, quiet);
    SystemClock clock;
    const ProbeReport report = probeGuide(places, view, clock, shell);
    view.endProgress();

    if (report.outcome != ProbeOutcome::Done) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", describeFailure(report).c_str());
    } else if (!quiet) {
        std::printf("channels with guide data for %02d/%02d: %d of %d\n", report.date.day, report.date.month,
                    report.channelsWithEvents(), report.total);
    }
    return exitStatus(report);
}
