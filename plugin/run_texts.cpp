// run_texts.cpp: the download run as the TV shows it.
#include "run_texts.h"

#include <algorithm>
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

std::string guideProgressText(const GuideProgress& progress) {
    // The host of a URL, or the name of a file: the label is narrow.
    std::string where = progress.location;
    const std::size_t scheme = where.find("://");
    if (scheme != std::string::npos) {
        where.erase(0, scheme + 3);
        where.erase(std::min(where.find('/'), where.size()));
    } else if (const std::size_t slash = where.rfind('/'); slash != std::string::npos) {
        where.erase(0, slash + 1);
    }
    if (where.size() > 40)
        where.resize(40);
    Text text;
    std::snprintf(text, sizeof text, "Reading guide:\n%s\n\n%.1f MB read\n%lld programmes", where.c_str(),
                  progress.bytesRead / 1e6, progress.programmes);
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
    if (const int cut = report.channelsCut()) {
        std::snprintf(text, sizeof text, "%sdays cut short for %d of %d channels", lines.empty() ? "" : "\n", cut,
                      channels);
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

namespace {

// Why a run could not be made or kept.
std::string failureText(const Failure& failure) {
    Text text;
    const std::string& path = failure.path;
    switch (failure.what) {
    case FailureKind::Busy: return "Another download is running\n\nPress EXIT to close";
    case FailureKind::LockFailed:
        std::snprintf(text, sizeof text, "Unable to use the lock file:\n%s\n(%s)\n\nPress EXIT to close", path.c_str(),
                      reason(failure.error));
        return text;
    case FailureKind::ChannelListMissing: return aboutFile("File not found:", path);
    case FailureKind::ChannelListUnreadable:
        if (failure.error == EISDIR || failure.error == EINVAL)
            return aboutFile("Not a regular file:", path);
        std::snprintf(text, sizeof text, "Unable to read file:\n%s\n(%s)\n\nPress EXIT to close", path.c_str(),
                      reason(failure.error));
        return text;
    case FailureKind::NoChannel: return aboutFile("No channel enabled in:", path);
    case FailureKind::OutputNotOpened: return aboutFile("Unable to open output file:", path);
    case FailureKind::OutputNotWritten: return aboutFile("Unable to write output file:", path);
    case FailureKind::SourceFileUnreadable:
        std::snprintf(text, sizeof text, "Unable to read file:\n%s\n(%s)\n\nPress EXIT to close", path.c_str(),
                      reason(failure.error));
        return text;
    case FailureKind::SourceFileBadLine:
        std::snprintf(text, sizeof text, "Error in line %d of:\n%s\n\nPress EXIT to close", failure.line, path.c_str());
        return text;
    case FailureKind::EpgPathRefused:
        return "Refused as EPG file:\n" + path + "\n(" + clashText(failure.clash) + ")\n\nPress EXIT to close";
    case FailureKind::NullDeviceFailed:
    case FailureKind::None: break;
    }
    return aboutFile("Unable to open file:", path);
}

}  // namespace

std::string outcomeText(const RunReport& report) {
    Text text;
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
    case RunOutcome::Failed:
        return failureText(report.failure);
    }
    return "";
}
