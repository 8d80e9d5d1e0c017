// console_view.h: the download run's view on a terminal or in a log: a line per fetch.
#pragma once

#include <cstdio>
#include <string>

#include "run_seams.h"

class ConsoleView final : public DownloadView {
public:
    // Progress goes to stream unless quiet; on a terminal, as one line
    // rewritten in place.
    ConsoleView(std::FILE* stream, bool quiet);

    void fetchEnded(const FetchReport& report) override;

    // Ends the line rewritten in place, so that what follows starts afresh.
    void endProgress();

private:
    std::FILE* stream;
    bool quiet;
    bool inPlace;
    bool lineOpen = false;
};

// "2 of 3: 502 Canale Due, 2008-02-29: brought data".
std::string describeFetch(const FetchReport& report);

// The run's outcome as one line: "DONE!", "File not found: PATH", ...
std::string describeOutcome(const RunReport& report);
