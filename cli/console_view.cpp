// console_view.cpp: the download run's view on a terminal or in a log: a line per fetch.
#include "console_view.h"

#include <cerrno>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const char* resultText(FetchResult result) {
    switch (result) {
    case FetchResult::Data: return "brought data";
    case FetchResult::NotAGuide: return "brought no guide (no event in the document)";
    case FetchResult::Nothing: return "brought nothing";
    case FetchResult::TimedOut: return "ran out of time";
    case FetchResult::Skipped: return "skipped, the service stopped answering";
    case FetchResult::Interrupted: return "interrupted";
    case FetchResult::NoWget: return "wget could not be started";
    }
    return "";
}

// The terminal's width, or 0 when it does not say.
std::size_t terminalColumns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

// A line rewritten in place must not wrap: the carriage return only goes
// back to the start of its last row. Cut it short of the last column,
// never inside a UTF-8 character.
void fitWidth(std::string& line, std::size_t columns) {
    if (columns == 0 || line.size() < columns)
        return;
    std::size_t cut = columns - 1;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
    line.erase(cut);
}

}  // namespace

std::string describeFetch(const FetchReport& report) {
    char line[512];
    std::snprintf(line, sizeof line, "%d of %d: %d %s, %04d-%02d-%02d: %s", report.ordinal, report.total,
                  report.channel.id, report.channel.name, report.date.year + 1900, report.date.month,
                  report.date.day, resultText(report.result));
    return line;
}

ConsoleView::ConsoleView(std::FILE* stream, bool quiet)
    : stream(stream), quiet(quiet), inPlace(::isatty(::fileno(stream)) == 1) {}

namespace {

std::string countOf(int part, std::size_t whole) {
    return std::to_string(part) + " of " + std::to_string(whole) + " channels";
}

// What a replaced but incomplete guide lacks.
std::string missingParts(const RunReport& report) {
    std::string parts;
    if (const int without = report.channelsWithoutData()) {
        parts = "no guide data for " + countOf(without, report.channels.size());
        if (const int kept = report.channelsKept())
            parts += " (old guide kept for " + std::to_string(kept) + ")";
    }
    if (const int shorter = report.channelsShort())
        parts += (parts.empty() ? "" : "; ") + std::string("fewer days than asked for ") +
                 countOf(shorter, report.channels.size());
    return parts;
}

std::string reason(int error) {
    return error == EINVAL ? "not a regular file" : std::strerror(error);
}

}  // namespace

std::string describeOutcome(const RunReport& report) {
    const std::string& path = report.failedPath;
    switch (report.outcome) {
    case RunOutcome::Done: return "DONE!";
    case RunOutcome::Incomplete: return "Download incomplete, guide replaced: " + missingParts(report);
    case RunOutcome::NoGuideData:
        return "Download failed, old guide kept: no guide data for " +
               countOf(report.channelsWithoutData(), report.channels.size());
    case RunOutcome::Interrupted: return "Download interrupted";
    case RunOutcome::NoWget:
        return "Download failed, old guide kept: the shell could not start wget (is it installed and on PATH?)";
    case RunOutcome::Busy: return "Another download is running";
    case RunOutcome::LockFailed: return "Unable to use the lock file " + path + ": " + reason(report.error);
    case RunOutcome::ChannelListMissing: return "File not found: " + path;
    case RunOutcome::NoChannel: return "No channel enabled in: " + path;
    // An empty path names nothing: the line ends at the colon.
    case RunOutcome::OutputNotOpened: return "Unable to open output file:" + (path.empty() ? "" : " " + path);
    case RunOutcome::OutputNotWritten: return "Unable to write output file: " + path;
    }
    return "";
}

void ConsoleView::fetchEnded(const FetchReport& report) {
    // The outcome says the run was interrupted; the fetch has no more to tell.
    if (quiet || report.result == FetchResult::Interrupted)
        return;
    std::string line = describeFetch(report);
    if (inPlace) {
        fitWidth(line, terminalColumns(stream));
        // Back to the start of the line, the new text, the rest of the old one cleared.
        std::fprintf(stream, "\r%s\033[K", line.c_str());
        lineOpen = true;
    } else {
        std::fprintf(stream, "%s\n", line.c_str());
    }
    std::fflush(stream);
}

void ConsoleView::endProgress() {
    if (lineOpen)
        std::fputc('\n', stream);
    lineOpen = false;
}
