// console_view.h: the download run's view on a terminal or in a log: a line per fetch.
#pragma once

#include <cstdio>
#include <string>

#include "run_seams.h"

class ConsoleView final : public DownloadView {
public:
    enum class Lines {
        // A run's: what each fetch brought is progress; on a terminal one
        // line rewritten in place, in a log a line each; none when quiet.
        Progress,
        // A probe's: a line per channel, kept, since the lines are the
        // answer; on a terminal the fetch under way shows on the line its
        // result then replaces. Quiet keeps the channels without events.
        Answers,
    };

    ConsoleView(std::FILE* stream, bool quiet, Lines lines = Lines::Progress);

    void fetchStarted(const FetchStart& start) override;
    void fetchEnded(const FetchReport& report) override;
    void guideProgress(const GuideProgress& progress) override;
    void locationEnded(const LocationReport& location) override;

    // Ends the line rewritten in place, so that what follows starts afresh.
    void endProgress();

private:
    std::FILE* stream;
    bool quiet;
    Lines lines;
    bool inPlace;
    bool lineOpen = false;

    void rewriteLine(std::string line);
    void showUnderWay(std::string line);
    void showProgress(std::string line);
};

// "[2/3] 502 Canale Due 29/02: 34 events", "[3/3] 520 Notizie 24 29/02: timed out".
// The channel's name is shown with its control characters escaped.
std::string describeFetch(const FetchReport& report);
// "reading example.org/guide.xml.gz: 12.3 MB read, 4567 programmes".
std::string describeGuideProgress(const GuideProgress& progress);
// How a whole guide's location ended: "URL: guide read, 4567 programmes",
// "URL: the compressed guide is cut short", ...
std::string describeLocation(const LocationReport& location);
// "[2/3] 502 Canale Due 29/02: fetching...".
std::string describeFetchStart(const FetchStart& start);

// Cuts a line to be rewritten in place on the terminal of stream short of
// its last column: a line that wraps can't be rewritten, the carriage
// return only goes back to the start of its last row.
void fitTerminalWidth(std::string& line, std::FILE* stream);

// The system's reason for an errno value, as the lock's failure names it.
std::string failureReason(int error);

// Why a run or a probe could not be made or kept, as one line with the
// path and the system's reason: "Unable to open output file: PATH: No such
// file or directory".
std::string describeFailure(const Failure& failure);

// Why a run refuses an EPG path: "it is the channel list", ...
std::string describeClash(EpgPathClash clash);

// The run's outcome as one line: "DONE!", "File not found: PATH", ...
std::string describeOutcome(const RunReport& report);
