// run_texts.cpp: the download run as the TV shows it.
#include "run_texts.h"

#include <cstdio>

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

std::string outcomeText(const RunReport& report) {
    Text text;
    const char* path = report.failedPath.c_str();
    switch (report.outcome) {
    case RunOutcome::Done:
        return "DONE!\nPress EXIT to close";
    case RunOutcome::Incomplete:
    case RunOutcome::NoGuideData:
        std::snprintf(text, sizeof text, "Download incomplete:\nno guide data for %d of %d channels\n\nPress EXIT to close",
                      report.channelsWithoutData(), static_cast<int>(report.channels.size()));
        return text;
    case RunOutcome::Interrupted:
        return "Download interrupted\n\nPress EXIT to close";
    case RunOutcome::Busy:
        return "Another download is running\n\nPress EXIT to close";
    case RunOutcome::ChannelListMissing:
        std::snprintf(text, sizeof text, "File not found:\n%s\n\nPress EXIT to close", path);
        return text;
    case RunOutcome::OutputNotOpened:
        std::snprintf(text, sizeof text, "Unable to open output file:\n%s\n\nPress EXIT to close", path);
        return text;
    case RunOutcome::OutputNotWritten:
        std::snprintf(text, sizeof text, "Unable to write output file:\n%s\n\nPress EXIT to close", path);
        return text;
    }
    return "";
}
