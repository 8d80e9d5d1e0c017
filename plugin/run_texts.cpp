// run_texts.cpp: the download run as the TV shows it.
#include "run_texts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run_seams.h"

namespace {

// Long enough for every text with a path or name of 255 characters.
using Text = char[768];

}  // namespace

std::string progressText(const FetchStart& fetch) {
    Text text;
    std::snprintf(text, sizeof text, "Downloading:\t%d of %d\n\nChannel %d:\t%s\nDate:\t%02d / %02d", fetch.ordinal,
                  fetch.total, fetch.channel.id, fetch.channel.name, fetch.date.day, fetch.date.month);
    return text;
}

namespace {

// What a replaced but incomplete guide lacks, a line for each kind.
std::string missingLines(const RunReport& report) {
    const int channels = static_cast<int>(report.channels.size());
    Text text;
    std::string lines;
    if (const int without = report.channelsWithoutData()) {
        std::snprintf(text, sizeof text, "no guide data for %d of %d channels", without, channels);
        lines += text;
        if (const int kept = report.channelsKept()) {
            std::snprintf(text, sizeof text, ",\nold guide kept for %d", kept);
            lines += text;
        }
    }
    if (const int shorter = report.channelsShort()) {
        std::snprintf(text, sizeof text, "%sfewer days than asked for %d of %d channels", lines.empty() ? "" : "\n",
                      shorter, channels);
        lines += text;
    }
    return lines;
}

// The reason of a failure as the system words it.
const char* reason(int error) {
    return error == EINVAL ? "not a regular file" : std::strerror(error);
}

// "WHAT\nPATH\n\nPress EXIT to close".
std::string aboutFile(const char* what, const std::string& path) {
    return std::string(what) + "\n" + path + "\n\nPress EXIT to close";
}

// The box says "File not found:" for a list it could not open; a list that
// is no regular file, or an open a signal interrupted, is told apart.
std::string listNotOpened(const RunReport& report) {
    if (report.error == EINTR)
        return "Download interrupted\n\nPress EXIT to close";
    if (report.error == EISDIR || report.error == EINVAL)
        return aboutFile("Not a regular file:", report.failedPath);
    return aboutFile("File not found:", report.failedPath);
}

}  // namespace

std::string clashText(EpgPathClash clash) {
    switch (clash) {
    case EpgPathClash::None: break;
    case EpgPathClash::CleanUp: return std::string("every download deletes ") + kBoxPlaces.tempDir + "/*.trv";
    case EpgPathClash::ChannelList: return "it is the channel list";
    case EpgPathClash::SettingsFile: return "it is the settings file";
    case EpgPathClash::PlugIn: return "it is the plug-in itself";
    }
    return "";
}

std::string refusedOnSaveText(const char* path, EpgPathClash clash) {
    return std::string("Saved, but a download will refuse\n") + path + "\n(" + clashText(clash) + ")";
}

std::string outcomeText(const RunReport& report) {
    Text text;
    const std::string& path = report.failedPath;
    switch (report.outcome) {
    case RunOutcome::Done:
        return "DONE!\nPress EXIT to close";
    case RunOutcome::Incomplete:
        return "Download incomplete, guide replaced:\n" + missingLines(report) + "\n\nPress EXIT to close";
    case RunOutcome::NoGuideData:
        std::snprintf(text, sizeof text,
                      "Download failed, old guide kept:\nno guide data for %d of %d channels\n\nPress EXIT to close",
                      report.channelsWithoutData(), static_cast<int>(report.channels.size()));
        return text;
    case RunOutcome::Interrupted:
        return "Download interrupted\n\nPress EXIT to close";
    case RunOutcome::NoWget:
        return "Unable to start wget:\nold guide kept\n\nPress EXIT to close";
    case RunOutcome::Busy:
        return "Another download is running\n\nPress EXIT to close";
    case RunOutcome::LockFailed:
        std::snprintf(text, sizeof text, "Unable to use the lock file:\n%s\n(%s)\n\nPress EXIT to close", path.c_str(),
                      reason(report.error));
        return text;
    case RunOutcome::ChannelListMissing: return listNotOpened(report);
    case RunOutcome::NoChannel: return aboutFile("No channel enabled in:", path);
    case RunOutcome::OutputNotOpened: return aboutFile("Unable to open output file:", path);
    case RunOutcome::OutputNotWritten: return aboutFile("Unable to write output file:", path);
    case RunOutcome::EpgPathRefused:
        return "Refused as EPG file:\n" + path + "\n(" + clashText(report.clash) + ")\n\nPress EXIT to close";
    }
    return "";
}
