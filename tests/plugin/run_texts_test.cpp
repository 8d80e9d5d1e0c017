// run_texts_test.cpp: the texts the dialog shows for a run: its progress and
// every outcome, and a whole run with the settings' path.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "download_run.h"
#include "day_documents.h"
#include "fake_fetcher.h"
#include "run_texts.h"
#include "settings.h"
#include "temp_folder.h"
#include "zone_guard.h"

namespace {

const char* const kDone = "DONE!\nPress EXIT to close";
const std::string kEvent = "<event><title>News</title><startTime>20:30</startTime></event>\n";

// Records what the dialog's info label would show.
class RecordingView : public DownloadView {
public:
    void fetchStarted(const FetchStart& fetch) override { texts.push_back(progressText(fetch)); }
    void runEnded(const RunReport& report) override { texts.push_back(outcomeText(report)); }

    std::vector<std::string> texts;
};

class DownloadRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir(folder.file("tmp").c_str(), 0755);
        tempDir = folder.file("tmp");
        listPath = folder.file("tarvio.channels");
        epgPath = folder.file("lomvi.dat");
        lockPath = lockFolder.file("tarvio.lock");
    }

    void run(int days, std::time_t now = 1204192800 /* 2008-02-28 10:00 UTC */) {
        const DownloadPlaces places{listPath.c_str(), tempDir.c_str(), lockPath.c_str()};
        FixedClock clock(now);
        // The path as the settings hold it, cut to their size.
        Settings settings;
        setEpgFilename(settings, epgPath.c_str());
        DayDocuments source(fetcher);
        runDownload(settings.epgFilename, days, places, view, clock, source);
    }

    std::string outcome() const { return view.texts.empty() ? "" : view.texts.back(); }

    ZoneGuard zone{"UTC"};
    TempFolder folder;
    TempFolder lockFolder;
    std::string tempDir, listPath, epgPath, lockPath;
    RecordingView view;
    FakeFetcher fetcher;
};

}  // namespace

TEST(RunTexts, ProgressShowsTheFetchUnderWay) {
    const ChannelEntry channel{501, "Canale Uno"};
    EXPECT_EQ(progressText(FetchStart{1, 3, channel, GuideDate{28, 2, 108}, 1}),
              "Downloading:\t1 of 3\n\nChannel 501:\tCanale Uno\nDate:\t28 / 02");
}

TEST(RunTexts, GuideProgressNamesThePlaceInFewWords) {
    const auto shown = [](const std::string& location) {
        return guideProgressText(GuideProgress{location, 12345678, 4567});
    };
    EXPECT_EQ(shown("https://guide.example.org/it/guide.xml.gz?key=1"),
              "Reading guide:\nguide.example.org\n\n12.3 MB read\n4567 programmes");
    EXPECT_EQ(shown("/mnt/usb/guides/it.xml.xz"), "Reading guide:\nit.xml.xz\n\n12.3 MB read\n4567 programmes");
    // A long host keeps its start and its end.
    EXPECT_EQ(shown("http://epg-mirror-number-three.a-very-long-provider-name.example.org/it.xml"),
              "Reading guide:\nepg-mirror-number-...er-name.example.org\n\n12.3 MB read\n4567 programmes");
    // 40 bytes at most, and no cut inside a character: each "è" is two.
    const auto place = [&](const std::string& name) {
        const std::string text = shown("/mnt/usb/" + name);
        return text.substr(15, text.find('\n', 15) - 15);
    };
    EXPECT_EQ(place(std::string(17, 'a') + "\xc3\xa8\xc3\xa8" + std::string(20, 'z')),
              std::string(17, 'a') + "..." + std::string(20, 'z'));
    EXPECT_EQ(place(std::string(25, 'x') + "\xc3\xa8" + std::string(18, 'y')),
              std::string(18, 'x') + "..." + std::string(18, 'y'));
}

TEST(RunTexts, NoGuideFromAnyPlaceSaysWhy) {
    RunReport report;
    report.outcome = RunOutcome::NoGuideData;
    report.channels.resize(2);
    LocationReport cut;
    cut.location = "http://guide.example.org/it.xml.gz";
    cut.problem.error = XmltvError::CutCompression;
    report.locations = {cut};
    EXPECT_EQ(outcomeText(report), "Download failed, old guide kept:\nno guide read from\nguide.example.org:\n"
                                   "the guide is cut short\n\nPress EXIT to close");

    LocationReport missing;
    missing.location = "/mnt/usb/it.xml";
    missing.problem.error = XmltvError::OpenFailed;
    missing.problem.systemError = ENOENT;
    report.locations.push_back(missing);
    EXPECT_EQ(outcomeText(report), "Download failed, old guide kept:\nno guide read from 2 places, the last\n"
                                   "it.xml:\ncannot be opened (No such file or directory)\n\n"
                                   "Press EXIT to close");

    // A guide read, but none of the channels in it: as with the day documents.
    report.locations.back().result = FetchResult::Data;
    EXPECT_EQ(outcomeText(report), "Download failed, old guide kept:\nno guide data for 2 of 2 channels\n\n"
                                   "Press EXIT to close");
}

TEST(RunTexts, EachOutcomeInTheBoxsWords) {
    // Three channels: one whole, one without data (its old block kept), one
    // with a day short and another cut.
    RunReport report;
    report.channels.resize(3);
    for (ChannelReport& channel : report.channels)
        channel.daysAsked = 2;
    report.channels[0].daysConverted = 2;
    report.channels[1].keptOldGuide = true;
    report.channels[2].daysConverted = 1;
    report.channels[2].daysCut = 1;

    report.outcome = RunOutcome::Incomplete;
    EXPECT_EQ(outcomeText(report), "Download incomplete, guide replaced:\nno guide data for 1 of 3 channels,\n"
                                   "old guide kept for 1\nfewer days than asked for 1 of 3 channels\n"
                                   "days cut short for 1 of 3 channels\n\nPress EXIT to close");
    report.outcome = RunOutcome::NoGuideData;
    EXPECT_EQ(outcomeText(report), "Download failed, old guide kept:\nno guide data for 1 of 3 channels\n\n"
                                   "Press EXIT to close");
    report.outcome = RunOutcome::Done;
    EXPECT_EQ(outcomeText(report), kDone);
    report.outcome = RunOutcome::Interrupted;
    EXPECT_EQ(outcomeText(report), "Download interrupted\n\nPress EXIT to close");
    report.outcome = RunOutcome::NoWget;
    EXPECT_EQ(outcomeText(report), "Unable to start wget:\nold guide kept\n\nPress EXIT to close");

    report.outcome = RunOutcome::Failed;
    const std::vector<std::pair<Failure, std::string>> failures{
        {{FailureKind::Busy, "/tmp/tarvio.lock", 0}, "Another download is running\n\nPress EXIT to close"},
        {{FailureKind::LockFailed, "/tmp/tarvio.lock", EISDIR},
         "Unable to use the lock file:\n/tmp/tarvio.lock\n(Is a directory)\n\nPress EXIT to close"},
        {{FailureKind::ChannelListMissing, "/var/kestra/plugins/tarvio.channels", ENOENT},
         "File not found:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close"},
        {{FailureKind::ChannelListUnreadable, "/var/kestra/plugins/tarvio.channels", EIO},
         "Unable to read file:\n/var/kestra/plugins/tarvio.channels\n(Input/output error)\n\nPress EXIT to close"},
        {{FailureKind::NoChannel, "/var/kestra/plugins/tarvio.channels", 0},
         "No channel enabled in:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close"},
        {{FailureKind::OutputNotOpened, "", ENOENT}, "Unable to open output file:\n\n\nPress EXIT to close"},
        {{FailureKind::OutputNotWritten, "/mnt/usb/lomvi.dat", ENOSPC},
         "Unable to write output file:\n/mnt/usb/lomvi.dat\n\nPress EXIT to close"},
    };
    for (const auto& [failure, text] : failures) {
        report.failure = failure;
        EXPECT_EQ(outcomeText(report), text);
    }
}

TEST_F(DownloadRun, EpgPathIsCutTo63Characters) {
    folder.write("tarvio.channels", "y 1,One\n");
    fetcher.serve(1, "20080228", kEvent);
    const std::string cut = folder.path() + "/" + std::string(62 - folder.path().size(), 'a');
    epgPath = cut + "bbbbbbbbbb";
    run(1);
    EXPECT_EQ(outcome(), kDone);
    EXPECT_EQ(access(cut.c_str(), F_OK), 0);
}

TEST(RunTexts, ListFailuresAndRefusedPaths) {
    RunReport report;
    report.outcome = RunOutcome::Failed;
    report.failure = Failure{FailureKind::ChannelListUnreadable, "/var/kestra/plugins/tarvio.channels", EISDIR};
    EXPECT_EQ(outcomeText(report), "Not a regular file:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close");
    report.failure = Failure{FailureKind::ChannelListMissing, "/var/kestra/plugins/tarvio.channels", EACCES};
    EXPECT_EQ(outcomeText(report), "File not found:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close");

    report.failure = Failure{FailureKind::EpgPathRefused, "/var/kestra/plugins/tarvio.channels"};
    report.failure.clash = EpgPathClash::ChannelList;
    EXPECT_EQ(outcomeText(report), "Refused as EPG file:\n/var/kestra/plugins/tarvio.channels\n"
                                   "(it is the channel list)\n\nPress EXIT to close");
    report.failure.path = "/tmp/guide.trv";
    report.failure.clash = EpgPathClash::CleanUp;
    EXPECT_EQ(outcomeText(report), "Refused as EPG file:\n/tmp/guide.trv\n(every download deletes /tmp/*.trv)\n\n"
                                   "Press EXIT to close");
    EXPECT_EQ(refusedOnSaveText("/tmp/guide.trv", EpgPathClash::CleanUp),
              "Saved, but a download will refuse\n/tmp/guide.trv\n(every download deletes /tmp/*.trv)");
}
