// tarvio_fetch.cpp: tarvio-fetch, the download run from the command line, for
// cron on the box and for PCs that prepare the EPG file on a USB stick.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>

#include <unistd.h>

#include "build_info.h"
#include "command_runner.h"
#include "console_view.h"
#include "day_documents.h"
#include "download_run.h"
#include "fetch_options.h"
#include "file_open.h"
#include "freshness.h"
#include "list_check.h"
#include "probe_command.h"
#include "settings_file.h"
#include "source_file.h"
#include "xmltv_source.h"

namespace {

// The exit statuses a cron line or a script tells outcomes apart by.
constexpr int kExitDone = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitNotReplaced = 2;
constexpr int kExitBusy = 3;
constexpr int kExitUsage = 64;  // EX_USAGE

int exitStatus(const RunReport& report) {
    switch (report.outcome) {
    case RunOutcome::Done: return kExitDone;
    case RunOutcome::Incomplete: return kExitIncomplete;
    case RunOutcome::Failed: return report.failure.what == FailureKind::Busy ? kExitBusy : kExitNotReplaced;
    case RunOutcome::NoGuideData:
    case RunOutcome::Interrupted:
    case RunOutcome::NoWget: return kExitNotReplaced;
    }
    return kExitNotReplaced;
}

// The settings the dialog would use, with the command line's overrides:
// they hold for this run only, and the settings file is never written.
Settings settingsFor(const FetchOptions& options) {
    Settings settings;
    loadSettings(options.configFile.c_str(), settings);
    // The option's length was checked against the setting's when it was read.
    if (options.epgFilename)
        setEpgFilename(settings, options.epgFilename->c_str());
    if (options.daysToDownload)
        settings.daysToDownload = *options.daysToDownload;
    return settings;
}

// True when --if-older finds the EPG file fresh; says so unless quiet.
bool skipFreshFile(const FetchOptions& options, const char* epgFilename, const Clock& clock) {
    if (!options.ifOlderHours)
        return false;
    const std::optional<long long> age = secondsSinceModified(epgFilename, clock.now());
    if (!isFresh(age, *options.ifOlderHours))
        return false;
    if (!options.quiet)
        std::printf("%s was modified %lld minutes ago, less than %d %s: nothing fetched\n", epgFilename,
                    *age / 60, *options.ifOlderHours, *options.ifOlderHours == 1 ? "hour" : "hours");
    return true;
}

void stopRun(int) {
    TimedShellRunner::interrupt();
}

// Ctrl-C, a SIGTERM from cron's time limit or a closed terminal end the
// run the way a killed dialog's run cannot: the fetch under way is ended
// with all it started, and the run cleans up and keeps the old EPG file.
void stopRunOnSignals() {
    struct sigaction action {};
    action.sa_handler = stopRun;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // An output closed early (`tarvio-fetch | head -1`) must not end the
    // run half-way, with its files left behind: writes to it just fail.
    // The commands it starts get the default back.
    std::signal(SIGPIPE, SIG_IGN);
}

// The box's places, with the channel list and the settings file the
// command line names: an EPG path must name neither, nor the box's plug-in.
DownloadPlaces placesFor(const FetchOptions& options) {
    return {options.channelList.c_str(), kBoxPlaces.tempDir, kBoxPlaces.lockFile, options.configFile.c_str(),
            kBoxPlaces.pluginFile};
}

// Where the guide comes from: --xmltv, or the source file. False, with
// why said, when the source file can't be used: nothing is touched then.
bool sourceFor(const FetchOptions& options, GuideSourceSettings& source) {
    if (options.xmltvLocation) {
        source.locations = {*options.xmltvLocation};
        return true;
    }
    const Failure failure = readSourceFile(options.sourceFile.c_str(), source);
    if (failure)
        std::fprintf(stderr, "%s\n", describeFailure(failure).c_str());
    return !failure;
}

// --check: the channel list as the run with this source reads it, whose ids
// are numbers for the day documents and an XMLTV guide's ids as text.
int checkList(const FetchOptions& options) {
    GuideSourceSettings source;
    if (!sourceFor(options, source))
        return kCheckNoChannel;
    return checkChannelList(options.channelList.c_str(), source.xmltv() ? ChannelIds::Xmltv : ChannelIds::Numbers,
                            options.quiet);
}

int fetchTimeout(const FetchOptions& options) {
    return options.timeoutSeconds.value_or(defaultFetchTimeout());
}

// --list-channels: the XMLTV guide's channels as lines for the channel list.
int listChannels(const FetchOptions& options) {
    GuideSourceSettings source;
    if (!sourceFor(options, source))
        return kExitNotReplaced;
    if (!source.xmltv()) {
        std::fprintf(stderr, "--list-channels needs an XMLTV guide: an \"xmltv\" line in %s, or --xmltv\n",
                     options.sourceFile.c_str());
        return kExitNotReplaced;
    }
    TimedShellRunner shell(fetchTimeout(options));
    XmltvSource guide(source, shell);
    guide.listChannels();
    stopRunOnSignals();
    ConsoleView view(stderr, options.quiet);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    guide.begin(RunDays{dateOf(local), localMidnight(local), 1}, {}, view);
    view.endProgress();
    if (!guide.guide())
        return kExitNotReplaced;
    for (const XmltvChannelName& channel : guide.guide()->declaredChannels())
        std::printf("n %s,%s\n", channel.id.c_str(), channel.name.c_str());
    for (const std::string& id : guide.guide()->undeclaredIds())
        std::printf("n %s,%s\n", id.c_str(), id.c_str());
    return kExitDone;
}

int probeFetch(const FetchOptions& options) {
    GuideSourceSettings source;
    if (!sourceFor(options, source))
        return kExitNotReplaced;
    if (source.xmltv()) {
        TimedShellRunner shell(fetchTimeout(options));
        XmltvSource guide(source, shell);
        guide.listChannels();
        stopRunOnSignals();
        return probeChannels(placesFor(options), settingsFor(options).daysToDownload, guide, options.quiet);
    }
    WgetDocuments documents(kBoxPlaces.tempDir, options.timeoutSeconds.value_or(defaultFetchTimeout()));
    DayDocuments days(documents, DayDocuments::Mode::Probe);
    stopRunOnSignals();
    return probeChannels(placesFor(options), 1, days, options.quiet);
}

int runFetch(const FetchOptions& options) {
    const Settings settings = settingsFor(options);
    SystemClock clock;
    if (skipFreshFile(options, settings.epgFilename, clock))
        return kExitDone;

    GuideSourceSettings guideSource;
    if (!sourceFor(options, guideSource))
        return kExitNotReplaced;
    const DownloadPlaces places = placesFor(options);
    ConsoleView view(stderr, options.quiet);
    stopRunOnSignals();
    RunReport report;
    if (guideSource.xmltv()) {
        TimedShellRunner shell(fetchTimeout(options));
        XmltvSource source(guideSource, shell);
        report = runDownload(settings.epgFilename, settings.daysToDownload, places, view, clock, source);
    } else {
        WgetDocuments documents(places.tempDir, fetchTimeout(options));
        DayDocuments source(documents);
        report = runDownload(settings.epgFilename, settings.daysToDownload, places, view, clock, source);
    }
    view.endProgress();

    // A replaced file with every channel is news only to the curious; any
    // other outcome is worth a cron mail even when quiet.
    const std::string line = describeOutcome(report);
    if (report.outcome != RunOutcome::Done)
        std::fprintf(stderr, "%s\n", line.c_str());
    else if (!options.quiet)
        std::printf("%s\n", line.c_str());
    return exitStatus(report);
}

}  // namespace

int main(int argc, char** argv) {
    // A cron line that closes our output (`>&- 2>&-`) would otherwise hand
    // its numbers to the lock and the EPG file, and the progress lines
    // would be written into the guide.
    fillStandardDescriptors();
    // A parent that ignores SIGCHLD (a cron daemon or script may) passes
    // that on to us: our children would be reaped for us and the commands'
    // wait statuses lost. This program is ours to set up, unlike a host.
    std::signal(SIGCHLD, SIG_DFL);
    FetchOptions options;
    std::string error;
    switch (parseFetchOptions(argc, argv, options, error)) {
    case CommandLine::Help:
        std::fputs(kFetchUsage, stdout);
        return kExitDone;
    case CommandLine::Version:
        // The host names the build: one left with the placeholder fetches nothing.
        std::printf("tarvio-fetch %s\nguide host: %s\n", kTarvioVersion, kGuideHostName);
        return kExitDone;
    case CommandLine::UsageError:
        std::fprintf(stderr, "tarvio-fetch: %s (see tarvio-fetch --help)\n", error.c_str());
        return kExitUsage;
    case CommandLine::Run:
        break;
    }
    if (options.check)
        return checkList(options);
    if (options.probe)
        return probeFetch(options);
    if (options.listChannels)
        return listChannels(options);
    return runFetch(options);
}
