// run_texts.cpp: the download run as the TV shows it.
#include "run_texts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "run_seams.h"

namespace {

// Long enough for every text with a path or name of 255 characters.
using Text = char[768];

// The most bytes of a guide's place on a line of the label: wider than the
// label only for hosts of nothing but m's and w's, which wrap to a second
// line that the label has room for.
constexpr std::size_t kPlaceMax = 40;

bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where a guide comes from, in few words: the host of a URL, or the name
// of a file. A longer one keeps its start and its end around "...", never
// cutting inside a UTF-8 character.
std::string placeOf(const std::string& location) {
    std::string place = location;
    const std::size_t scheme = place.find("://");
    if (scheme != std::string::npos) {
        place.erase(0, scheme + 3);
        place.erase(std::min(place.find('/'), place.size()));
    } else if (const std::size_t slash = place.rfind('/'); slash != std::string::npos) {
        place.erase(0, slash + 1);
    }
    if (place.size() <= kPlaceMax)
        return place;
    std::size_t head = (kPlaceMax - 3) / 2;
    while (head > 0 && continuesCharacter(place[head]))
        --head;
    std::size_t tail = place.size() - (kPlaceMax - 3 - head);
    while (tail < place.size() && continuesCharacter(place[tail]))
        ++tail;
    return place.substr(0, head) + "..." + place.substr(tail);
}

}  // namespace

std::string progressText(const FetchStart& fetch) {
    Text text;
    std::snprintf(text, sizeof text, "Downloading:\t%d of %d\n\nChannel %d:\t%s\nDate:\t%02d / %02d", fetch.ordinal,
                  fetch.total, fetch.channel.id, fetch.channel.name, fetch.date.day, fetch.date.month);
    return text;
}

std::string guideProgressText(const GuideProgress& progress) {
    Text text;
    std::snprintf(text, sizeof text, "Reading guide:\n%s\n\n%.1f MB read\n%lld programmes",
                  placeOf(progress.location).c_str(), progress.bytesRead / 1e6, progress.programmes);
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

// Why a guide's place brought no guide, in few words.
std::string locationReason(const LocationReport& location) {
    const XmltvProblem& problem = location.problem;
    switch (location.result) {
    case FetchResult::TimedOut: return "timed out";
    case FetchResult::Interrupted: return "interrupted";
    case FetchResult::NoWget: return "wget could not be started";
    default: break;
    }
    switch (problem.error) {
    case XmltvError::None: return "no such guide, or no connection";
    case XmltvError::Empty: return "nothing came";
    case XmltvError::BadCompression: return "damaged compressed data";
    case XmltvError::CutCompression:
    case XmltvError::CutGuide: return "the guide is cut short";
    case XmltvError::CompressionMemory: return "it needs too much memory";
    case XmltvError::TooLarge: return "more than 2 GiB";
    case XmltvError::Encoding: return "an encoding that is not read";
    case XmltvError::NotXml: return "not XML";
    case XmltvError::NotXmltv: return "not an XMLTV guide";
    case XmltvError::OpenFailed: return std::string("cannot be opened (") + reason(problem.systemError) + ")";
    case XmltvError::NotAFile: return "not a regular file";
    case XmltvError::ReadFailed: return std::string("cannot be read (") + reason(problem.systemError) + ")";
    case XmltvError::Stopped: return "stopped";
    }
    return "no guide";
}

// A whole guide that no place brought: the last place tried, and why, each
// on a line of its own, so that a place that fills a line stays whole.
std::string noGuideText(const std::vector<LocationReport>& locations) {
    const LocationReport& last = locations.back();
    std::string tried = "no guide read from";
    if (locations.size() > 1)
        tried += " " + std::to_string(locations.size()) + " places, the last";
    return "Download failed, old guide kept:\n" + tried + "\n" + placeOf(last.location) + ":\n" +
           locationReason(last) + "\n\nPress EXIT to close";
}

bool anyBrought(const std::vector<LocationReport>& locations) {
    for (const LocationReport& location : locations)
        if (location.brought())
            return true;
    return false;
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
        if (!report.locations.empty() && !anyBrought(report.locations))
            return noGuideText(report.locations);
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
