// console_view.cpp: the download run's view on a terminal or in a log: a line per fetch.
#include "console_view.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/ioctl.h>
#include <unistd.h>

#include "terminal_text.h"
#include "xmltv_decoder.h"

namespace {

std::string resultText(const FetchReport& report) {
    switch (report.result) {
    case FetchResult::Data: return std::to_string(report.events) + (report.events == 1 ? " event" : " events");
    case FetchResult::Cut:
        return std::to_string(report.events) + (report.events == 1 ? " event" : " events") +
               ", document cut (longer than the 60000 bytes read)";
    case FetchResult::NotAGuide: return "not a guide (no event in the document)";
    case FetchResult::Nothing: return "no guide data (nothing came)";
    case FetchResult::TimedOut: return "timed out";
    case FetchResult::Skipped: return "skipped, the service stopped answering";
    case FetchResult::Interrupted: return "interrupted";
    case FetchResult::NoWget: return "wget could not be started";
    }
    return "";
}

// "[2/3] 502 Canale Due 29/02".
std::string fetchHead(int ordinal, int total, const ChannelEntry& channel, const GuideDate& date) {
    char head[64];
    std::snprintf(head, sizeof head, "[%d/%d] %d ", ordinal, total, channel.id);
    char day[16];
    std::snprintf(day, sizeof day, " %02d/%02d", date.day, date.month);
    return head + terminalText(channel.name) + day;
}

// The terminal's width, or 0 when it does not say.
std::size_t terminalColumns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

}  // namespace

// Counts bytes: a UTF-8 character never takes more columns than bytes, so
// the line cut to fit never wraps. Never cuts inside a character.
void fitTerminalWidth(std::string& line, std::FILE* stream) {
    const std::size_t columns = terminalColumns(stream);
    if (columns == 0 || line.size() < columns)
        return;
    std::size_t cut = columns - 1;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
    line.erase(cut);
}

std::string describeFetch(const FetchReport& report) {
    if (report.daysFound >= 0) {
        // A whole guide's channel: "[1/3] Rai1.it Rai 1: 212 events, 7 of 7 days".
        char head[32];
        std::snprintf(head, sizeof head, "[%d/%d] ", report.ordinal, report.total);
        std::string line = head + terminalText(report.channel.key) + " " + terminalText(report.channel.name) + ": ";
        if (report.noGuide)
            return line + "no guide data (no guide was read)";
        if (report.notInGuide) {
            line += "the guide has no such channel";
            for (std::size_t i = 0; i < report.closest.size(); ++i)
                line += (i == 0 ? "; closest: " : ", ") + terminalText(report.closest[i]);
            return line;
        }
        if (report.events == 0)
            return line + "no events in the days asked";
        return line + std::to_string(report.events) + (report.events == 1 ? " event, " : " events, ") +
               std::to_string(report.daysFound) + " of " + std::to_string(report.daysAsked) + " days";
    }
    return fetchHead(report.ordinal, report.total, report.channel, report.date) + ": " + resultText(report);
}

std::string describeGuideProgress(const GuideProgress& progress) {
    char line[128];
    std::snprintf(line, sizeof line, ": %.1f MB read, %lld programmes", progress.bytesRead / 1e6,
                  progress.programmes);
    return "reading " + terminalText(progress.location) + line;
}

std::string describeLocation(const LocationReport& location) {
    const std::string where = terminalText(location.location) + ": ";
    const XmltvProblem& problem = location.problem;
    const auto withPlace = [&](const std::string& what) {
        return what + " (line " + std::to_string(problem.line) + ", column " + std::to_string(problem.column) + ")";
    };
    switch (location.result) {
    case FetchResult::Data:
        return where + "guide read, " + std::to_string(location.programmes) +
               (location.programmes == 1 ? " programme" : " programmes");
    case FetchResult::TimedOut: return where + "timed out";
    case FetchResult::Interrupted: return where + "interrupted";
    case FetchResult::NoWget: return where + "wget could not be started";
    default: break;
    }
    switch (problem.error) {
    case XmltvError::None: return where + "the fetch failed (no such guide, or the connection broke)";
    case XmltvError::Empty: return where + "nothing came";
    case XmltvError::BadCompression: return where + "damaged compressed data: " + problem.detail;
    case XmltvError::CutCompression: return where + "the compressed guide is cut short";
    case XmltvError::CompressionMemory:
        return where + "the xz guide needs too much memory: " + problem.detail + " MiB, more than " +
               std::to_string(kXzMemoryLimit >> 20);
    case XmltvError::TooLarge: return where + "more than 2 GiB unpacked";
    case XmltvError::Encoding: return where + "an encoding that is not read: " + terminalText(problem.detail);
    case XmltvError::NotXml: return where + withPlace("not XML: " + terminalText(problem.detail));
    case XmltvError::NotXmltv: return where + "not an XMLTV guide (its root is <" + terminalText(problem.detail) + ">)";
    case XmltvError::CutGuide: return where + withPlace("the guide is cut short: " + terminalText(problem.detail));
    case XmltvError::OpenFailed: return where + "cannot be opened: " + failureReason(problem.systemError);
    case XmltvError::NotAFile: return where + "not a regular file";
    case XmltvError::ReadFailed: return where + "cannot be read: " + failureReason(problem.systemError);
    case XmltvError::Stopped: return where + "stopped";
    }
    return where + "no guide";
}

std::string describeFetchStart(const FetchStart& start) {
    return fetchHead(start.ordinal, start.total, start.channel, start.date) + ": fetching...";
}

ConsoleView::ConsoleView(std::FILE* stream, bool quiet, Lines lines)
    : stream(stream), quiet(quiet), lines(lines), inPlace(::isatty(::fileno(stream)) == 1) {}

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
    if (const int cut = report.channelsCut())
        parts += (parts.empty() ? "" : "; ") + std::string("days cut short for ") +
                 countOf(cut, report.channels.size());
    return parts;
}

}  // namespace

std::string failureReason(int error) {
    return error == EINVAL ? "not a regular file" : std::strerror(error);
}

std::string describeClash(EpgPathClash clash) {
    switch (clash) {
    case EpgPathClash::None: break;
    case EpgPathClash::CleanUp: return std::string("every run deletes ") + kBoxPlaces.tempDir + "/*.trv";
    case EpgPathClash::ChannelList: return "it is the channel list";
    case EpgPathClash::SettingsFile: return "it is the settings file";
    case EpgPathClash::PlugIn: return "it is the plug-in";
    }
    return "";
}

std::string describeFailure(const Failure& failure) {
    const std::string& path = failure.path;
    // The path and the system's reason, when there are.
    const auto about = [&](const std::string& what) {
        std::string line = what;
        if (!path.empty())
            line += " " + path;
        // "Unable to open output file: REASON" for an empty path.
        if (failure.error != 0)
            line += (path.empty() && line.back() == ':' ? " " : ": ") + failureReason(failure.error);
        return line;
    };
    switch (failure.what) {
    case FailureKind::None: return "";
    case FailureKind::Busy: return "Another download is running";
    case FailureKind::LockFailed: return about("Unable to use the lock file");
    case FailureKind::ChannelListMissing: return about("File not found:");
    case FailureKind::ChannelListUnreadable: return about("Unable to read the channel list");
    case FailureKind::NoChannel: return about("No channel enabled in:");
    case FailureKind::OutputNotOpened: return about("Unable to open output file:");
    case FailureKind::OutputNotWritten: return about("Unable to write output file:");
    case FailureKind::NullDeviceFailed: return about("Unable to open");
    case FailureKind::SourceFileUnreadable: return about("Unable to read the source file");
    case FailureKind::SourceFileBadLine:
        return path + ": line " + std::to_string(failure.line) + ": " + failure.detail;
    case FailureKind::EpgPathRefused: return "Refused as EPG file: " + path + ": " + describeClash(failure.clash);
    }
    return "";
}

std::string describeOutcome(const RunReport& report) {
    switch (report.outcome) {
    case RunOutcome::Done: return "DONE!";
    case RunOutcome::Incomplete: return "Download incomplete, guide replaced: " + missingParts(report);
    case RunOutcome::NoGuideData:
        return "Download failed, old guide kept: no guide data for " +
               countOf(report.channelsWithoutData(), report.channels.size());
    case RunOutcome::Interrupted: return "Download interrupted";
    case RunOutcome::NoWget:
        return "Download failed, old guide kept: the shell could not start wget (is it installed and on PATH?)";
    case RunOutcome::Failed: return describeFailure(report.failure);
    }
    return "";
}

// A fetch under way shows only on a terminal, where its line is replaced
// by the next: a service that hangs shows which fetch it holds up. In a
// log only what a fetch brought is worth a line.
void ConsoleView::fetchStarted(const FetchStart& start) {
    showProgress(describeFetchStart(start));
}

// What is under way, on a terminal only: a run's one line rewritten in
// place, or the line an answer then replaces.
void ConsoleView::showProgress(std::string line) {
    if (quiet || !inPlace)
        return;
    if (lines == Lines::Progress)
        rewriteLine(std::move(line));
    else
        showUnderWay(std::move(line));
}

// An answer's line under way: over what the line showed before, if it is
// still open; its result then replaces it.
void ConsoleView::showUnderWay(std::string line) {
    fitTerminalWidth(line, stream);
    std::fprintf(stream, lineOpen ? "\r%s\033[K" : "%s", line.c_str());
    std::fflush(stream);
    lineOpen = true;
}

void ConsoleView::guideProgress(const GuideProgress& progress) {
    showProgress(describeGuideProgress(progress));
}

// Every location tried gets its line, even when quiet: a guide that could
// not be read is worth a cron mail.
void ConsoleView::locationEnded(const LocationReport& location) {
    if (quiet && location.brought())
        return;
    std::fprintf(stream, inPlace && lineOpen ? "\r%s\033[K\n" : "%s\n", describeLocation(location).c_str());
    lineOpen = false;
    std::fflush(stream);
}

void ConsoleView::fetchEnded(const FetchReport& report) {
    // The outcome says the run was interrupted; the fetch has no more to tell.
    if (report.result == FetchResult::Interrupted)
        return;
    if (lines == Lines::Answers) {
        if (quiet && (report.result == FetchResult::Data || report.result == FetchResult::Cut))
            return;
        // Back to the start of the line, the result, the rest of the old one cleared.
        std::fprintf(stream, inPlace ? "\r%s\033[K\n" : "%s\n", describeFetch(report).c_str());
        std::fflush(stream);
        lineOpen = false;
        return;
    }
    if (quiet)
        return;
    if (inPlace) {
        rewriteLine(describeFetch(report));
    } else {
        std::fprintf(stream, "%s\n", describeFetch(report).c_str());
        std::fflush(stream);
    }
}

void ConsoleView::rewriteLine(std::string line) {
    fitTerminalWidth(line, stream);
    // Back to the start of the line, the new text, the rest of the old one cleared.
    std::fprintf(stream, "\r%s\033[K", line.c_str());
    std::fflush(stream);
    lineOpen = true;
}

void ConsoleView::endProgress() {
    if (lineOpen)
        std::fputc('\n', stream);
    lineOpen = false;
}
