// download_run.cpp: one download run, from the channel list to the EPG file.
#include "download_run.h"

#include <cstdio>
#include <cstring>

#include "calendar.h"
#include "channel_list.h"
#include "epg_output.h"
#include "fetch_command.h"
#include "file_handle.h"
#include "guide_conversion.h"

namespace {

constexpr long kDaySeconds = 86400;
constexpr std::size_t kDocumentSize = 60000;
// A fetch that leaves this little behind brought no guide.
constexpr long kEmptyDocument = 10;

struct RunContext {
    const DownloadPlaces& places;
    DownloadView& view;
    CommandRunner& shell;
    std::FILE* epg;
    GuideConverter& converter;
    GuideDate today;
    std::time_t midnight;
    int days;
    int total;
};

void showMessage(DownloadView& view, const char* format, const char* argument) {
    char text[512];
    std::snprintf(text, sizeof text, format, argument);
    view.setInfoText(text);
}

void showFileNotFound(const RunContext& run) {
    showMessage(run.view, "File not found:\n%s\n\nPress EXIT to close", run.places.channelList);
}

void deleteTempFiles(const DownloadPlaces& places, CommandRunner& shell) {
    char command[128];
    if (buildCleanupCommand(command, sizeof command, places.tempDir))
        shell.run(command);
}

// Bytes read from the fetched document, or -1 when there is none.
long readDocument(const char* path, char (&document)[kDocumentSize + 1]) {
    FileHandle file(std::fopen(path, "rb"));
    if (!file)
        return -1;
    std::memset(document, 0, sizeof document);
    return static_cast<long>(std::fread(document, 1, kDocumentSize, file.get()));
}

// The day loop of one channel. Returns the number of days converted; it
// stops at the first day that brought nothing.
int fetchChannel(RunContext& run, const ChannelEntry& channel, int ordinal) {
    char document[kDocumentSize + 1];
    char tempPath[64];
    char command[256 + sizeof TARVIO_GUIDE_HOST];
    char progress[512];

    GuideDate date = run.today;
    int dayNumber = 0;
    long dayOffset = 0;
    int converted = 0;
    do {
        dayOffset += kDaySeconds;
        ++dayNumber;
        std::snprintf(progress, sizeof progress, "Downloading:\t%d of %d\n\nChannel %d:\t%s\nDate:\t%02d / %02d",
                      ordinal, run.total, channel.id, channel.name, date.day, date.month);
        run.view.setInfoText(progress);

        if (!buildTempPath(tempPath, sizeof tempPath, run.places.tempDir, channel.id, dayNumber) ||
            !buildFetchCommand(command, sizeof command, tempPath, channel.id, date))
            break;
        run.shell.run(command);
        if (readDocument(tempPath, document) <= kEmptyDocument)
            break;
        run.converter.convertDocument(run.epg, document, dayOffset, run.midnight);
        ++converted;
        stepDay(date);
    } while (dayNumber < run.days);
    return converted;
}

}  // namespace

void runDownload(const char* epgFilename, int daysToDownload, const DownloadPlaces& places,
                 DownloadView& view, const Clock& clock, CommandRunner& shell) {
    view.hideButtons();

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    GuideConverter converter;
    converter.beginRun();

    char epgPath[64];
    std::snprintf(epgPath, sizeof epgPath, "%.*s", static_cast<int>(sizeof epgPath - 1), epgFilename);
    EpgOutput output;
    if (!output.open(epgPath)) {
        showMessage(view, "Unable to open output file:\n%s\n\nPress EXIT to close", epgPath);
        return;
    }

    RunContext run{places, view, shell, output.file(), converter, dateOf(local), localMidnight(local),
                   daysToDownload, 0};

    // "e": close-on-exec, so that the fetch commands don't inherit the list.
    FileHandle list(std::fopen(places.channelList, "rbe"));
    if (!list) {
        showFileNotFound(run);
        return;
    }
    run.total = countChannels(list.get());
    list.reset(std::fopen(places.channelList, "rbe"));
    if (!list) {
        deleteTempFiles(places, shell);
        showFileNotFound(run);
        return;
    }

    ChannelEntry channel;
    int ordinal = 0;
    int withoutData = 0;
    while (nextChannel(list.get(), channel)) {
        ++ordinal;
        converter.beginChannel(run.epg, ordinal, channel.name);
        deleteTempFiles(places, shell);
        if (fetchChannel(run, channel, ordinal) == 0)
            ++withoutData;
        converter.endChannel(run.epg);
    }
    list.reset();

    // With no guide at all the old file is worth more than an empty one.
    const bool keepOld = ordinal > 0 && withoutData == ordinal;
    const bool replaced = !keepOld && output.commit();
    if (keepOld)
        output.discard();
    deleteTempFiles(places, shell);

    char text[512];
    if (!keepOld && !replaced)
        std::snprintf(text, sizeof text, "Unable to write output file:\n%s\n\nPress EXIT to close", epgPath);
    else if (withoutData > 0)
        std::snprintf(text, sizeof text, "Download incomplete:\nno guide data for %d of %d channels\n\nPress EXIT to close",
                      withoutData, ordinal);
    else
        std::snprintf(text, sizeof text, "DONE!\nPress EXIT to close");
    view.setInfoText(text);
}
