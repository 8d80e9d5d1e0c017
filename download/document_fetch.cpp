// document_fetch.cpp: the fetch seam of the day documents: one channel's document of one day.
#include "document_fetch.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "build_info.h"
#include "file_open.h"

namespace {

// The host goes into a shell command line unquoted, so only characters of
// host names (and a port) may stand in it.
constexpr bool isPlainHost(const char* host) {
    if (!*host)
        return false;
    for (; *host; ++host) {
        const char c = *host;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
        if (!plain)
            return false;
    }
    return true;
}
static_assert(isPlainHost(kGuideHostName), "TARVIO_GUIDE_HOST must be a plain host name");

bool fits(int written, std::size_t size) {
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace

const char* guideHost() {
    return kGuideHostName;
}

bool buildTempPath(char* out, std::size_t size, const char* tempDir, int channelId, int dayNumber) {
    return fits(std::snprintf(out, size, "%s/%d_%d.trv", tempDir, channelId, dayNumber), size);
}

bool buildFetchCommand(char* out, std::size_t size, const char* tempPath, int channelId,
                       const GuideDate& date) {
    const int written = std::snprintf(
        out, size,
        "wget -q -O %s http://%s/static/epg/timeline/export/canale_export_%d_%d%02d%02d.xml 2> /dev/null",
        tempPath, kGuideHostName, channelId, date.year + 1900, date.month, date.day);
    return fits(written, size);
}

bool buildCleanupCommand(char* out, std::size_t size, const char* tempDir) {
    return fits(std::snprintf(out, size, "rm -rf %s/*.trv", tempDir), size);
}

namespace {

// Reads up to kDocumentSize bytes of the file at path into document, NUL
// terminated. Nothing when the file can't be opened or holds too little.
FetchedDocument readDocument(const char* path, DocumentBuffer& document) {
    // Close-on-exec, so that no later fetch command inherits it.
    FileHandle file = openRegularFile(path);
    if (!file)
        return {};
    std::memset(document, 0, sizeof document);
    const std::size_t length = std::fread(document, 1, kDocumentSize, file.get());
    if (static_cast<long>(length) <= kEmptyDocument)
        return {};
    // The box reads this much and no more; a longer document lost its
    // later events, and the run has to know.
    const bool cut = length == kDocumentSize && std::fgetc(file.get()) != EOF;
    return FetchedDocument{FetchResult::Data, cut};
}

}  // namespace

WgetDocuments::WgetDocuments(const char* tempDir, int timeoutSeconds)
    : tempDir(tempDir), boxShell(std::in_place, timeoutSeconds, kFetchFileSizeLimit), shell(*boxShell) {}

WgetDocuments::WgetDocuments(const char* tempDir, CommandRunner& shell) : tempDir(tempDir), shell(shell) {}

FetchedDocument WgetDocuments::fetch(const ChannelEntry& channel, const GuideDate& date, int dayNumber,
                                     DocumentBuffer& document) {
    char tempPath[64];
    char command[256 + sizeof kGuideHostName];
    if (!buildTempPath(tempPath, sizeof tempPath, tempDir, channel.id, dayNumber) ||
        !buildFetchCommand(command, sizeof command, tempPath, channel.id, date))
        return {};

    ::unlink(tempPath);
    FetchedDocument fetched;
    switch (shell.run(command)) {
    case CommandStatus::Finished: fetched = readDocument(tempPath, document); break;
    case CommandStatus::TimedOut: fetched.result = FetchResult::TimedOut; break;
    case CommandStatus::Interrupted: fetched.result = FetchResult::Interrupted; break;
    case CommandStatus::NotFound: fetched.result = FetchResult::NoWget; break;
    case CommandStatus::Failed:
    case CommandStatus::NotStarted: break;
    }
    ::unlink(tempPath);
    return fetched;
}

bool WgetDocuments::removeDocuments() {
    char command[128];
    if (!buildCleanupCommand(command, sizeof command, tempDir))
        return true;
    return shell.run(command) != CommandStatus::Interrupted;
}
