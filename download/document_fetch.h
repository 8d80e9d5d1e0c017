// document_fetch.h: the fetch seam of the day documents: one channel's document of one day.
#pragma once

#include <cstddef>
#include <optional>

#include "calendar.h"
#include "channel_list.h"
#include "command_runner.h"
#include "run_report.h"

// The most of a document that is read; the rest is never converted.
constexpr std::size_t kDocumentSize = 60000;
// A fetch that leaves this little behind brought no guide.
constexpr long kEmptyDocument = 10;

using DocumentBuffer = char[kDocumentSize + 1];

// What one fetch brought.
struct FetchedDocument {
    // Data (more than kEmptyDocument bytes, not yet looked into), Nothing,
    // TimedOut, Interrupted or NoWget.
    FetchResult result = FetchResult::Nothing;
    // The document was longer than kDocumentSize: only that much was read.
    bool cut = false;
};

// Fetches documents; the run and the probe see nothing of how.
class DocumentFetcher {
public:
    // Fetches the channel's document of date, day dayNumber of the run (from
    // 1), into document, NUL terminated.
    virtual FetchedDocument fetch(const ChannelEntry& channel, const GuideDate& date, int dayNumber,
                                  DocumentBuffer& document) = 0;
    // Removes every document fetches may have left. False when that was
    // interrupted: the run is to stop.
    virtual bool removeDocuments() = 0;

protected:
    ~DocumentFetcher() = default;
};

// The guide service's host name, fixed when the plug-in is built.
const char* guideHost();

// The box's fetcher: wget through the shell into "<tempDir>/<id>_<day>.trv",
// with the fetch's time limit and file size limit. It owns the command
// lines and the temporary paths.
class WgetDocuments final : public DocumentFetcher {
public:
    // The box's shell, with the time limit given and kFetchFileSizeLimit.
    WgetDocuments(const char* tempDir, int timeoutSeconds);
    // Another runner of the same command lines.
    WgetDocuments(const char* tempDir, CommandRunner& shell);
    WgetDocuments(const WgetDocuments&) = delete;
    WgetDocuments& operator=(const WgetDocuments&) = delete;

    // Only a command that ended well is read: one that failed half-way (a
    // cut connection, a full /tmp, a document past the size limit) leaves
    // a cut document, deleted unread like a timed-out one's. Whatever stood
    // at the temporary path, file or link, is removed first, so it is not
    // written through; the document is removed once read, so that a signal
    // from then on leaves nothing of it behind.
    FetchedDocument fetch(const ChannelEntry& channel, const GuideDate& date, int dayNumber,
                          DocumentBuffer& document) override;
    // "rm -rf <tempDir>/*.trv".
    bool removeDocuments() override;

private:
    const char* tempDir;
    std::optional<TimedShellRunner> boxShell;
    CommandRunner& shell;
};

// "<tempDir>/<id>_<day>.trv". False when it does not fit.
bool buildTempPath(char* out, std::size_t size, const char* tempDir, int channelId, int dayNumber);

// wget fetching the channel's document for the date into tempPath.
// False when it does not fit.
bool buildFetchCommand(char* out, std::size_t size, const char* tempPath, int channelId,
                       const GuideDate& date);

// Deletes every temporary file of the run. False when it does not fit.
bool buildCleanupCommand(char* out, std::size_t size, const char* tempDir);
