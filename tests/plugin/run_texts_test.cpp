// run_texts_test.cpp: whole runs with a stand-in for wget, with the texts the
// dialog shows: passes, day loop, messages, EPG file.
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
#include "fake_wget.h"
#include "fetch_command.h"
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
        runDownload(settings.epgFilename, days, places, view, clock, wget);
    }

    std::string outcome() const { return view.texts.empty() ? "" : view.texts.back(); }

    ZoneGuard zone{"UTC"};
    TempFolder folder;
    TempFolder lockFolder;
    std::string tempDir, listPath, epgPath, lockPath;
    RecordingView view;
    FakeWget wget;
};

}  // namespace

TEST_F(DownloadRun, FetchesEveryEnabledChannelAndDay) {
    folder.write("tarvio.channels", "y 501,Uno\n# comment\nn 502,Off\nY 503,Tre\n\ny 504,Never\n");
    const std::string morning = "<event><title>Early</title><startTime>06:00</startTime></event>\n";
    for (int id : {501, 503}) {
        wget.serve(id, "20080228", kEvent);
        wget.serve(id, "20080229", morning);
    }
    run(2);

    const std::vector<std::string> expected{
        "Downloading:\t1 of 2\n\nChannel 501:\tUno\nDate:\t28 / 02",
        "Downloading:\t1 of 2\n\nChannel 501:\tUno\nDate:\t29 / 02",
        "Downloading:\t2 of 2\n\nChannel 503:\tTre\nDate:\t28 / 02",
        "Downloading:\t2 of 2\n\nChannel 503:\tTre\nDate:\t29 / 02",
        kDone,
    };
    EXPECT_EQ(view.texts, expected);

    const std::string cleanup = "rm -rf " + tempDir + "/*.trv";
    const std::string host = guideHost();
    const std::vector<std::string> commands{
        cleanup,
        "wget -q -O " + tempDir + "/501_1.trv http://" + host +
            "/static/epg/timeline/export/canale_export_501_20080228.xml 2> /dev/null",
        "wget -q -O " + tempDir + "/501_2.trv http://" + host +
            "/static/epg/timeline/export/canale_export_501_20080229.xml 2> /dev/null",
        cleanup,
        "wget -q -O " + tempDir + "/503_1.trv http://" + host +
            "/static/epg/timeline/export/canale_export_503_20080228.xml 2> /dev/null",
        "wget -q -O " + tempDir + "/503_2.trv http://" + host +
            "/static/epg/timeline/export/canale_export_503_20080229.xml 2> /dev/null",
        cleanup,
    };
    EXPECT_EQ(wget.commands, commands);
    EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file
    EXPECT_TRUE(folderNames(tempDir).empty());

    // Day 2's event closes day 1's; each channel's last event has no end.
    const std::string record = "E 1 1204234200 34200\nT News\nX 1204234200\nS \nL 570\nD \ne\n";
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 Uno\n" + record + "c\nC 2 Tre\n" + record + "c\n");
}

TEST_F(DownloadRun, DaySettingsGiveAtLeastOneDay) {
    folder.write("tarvio.channels", "y 1,One\n");
    for (const char* date : {"20080228", "20080229", "20080301", "20080302", "20080303", "20080304",
                             "20080305", "20080306", "20080307", "20080308"})
        wget.serve(1, date, kEvent);
    const std::map<int, size_t> expected{{-1, 1}, {0, 1}, {1, 1}, {7, 7}, {8, 8}, {9, 9}};
    for (const auto& [days, fetched] : expected) {
        wget.requests.clear();
        run(days);
        EXPECT_EQ(wget.requests.size(), fetched) << days << " days";
        EXPECT_EQ(outcome(), kDone);
    }
    EXPECT_EQ(wget.requests.back(), "canale_export_1_20080307.xml");
}

TEST_F(DownloadRun, SteppingCrossesTheYearEnd) {
    folder.write("tarvio.channels", "y 7,Seven\n");
    for (const char* date : {"20081231", "20090101", "20090102"})
        wget.serve(7, date, kEvent);
    run(3, 1230717600);  // 2008-12-31 10:00 UTC
    EXPECT_EQ(wget.requests, (std::vector<std::string>{"canale_export_7_20081231.xml", "canale_export_7_20090101.xml",
                                                       "canale_export_7_20090102.xml"}));
    EXPECT_EQ(view.texts[2], "Downloading:\t1 of 1\n\nChannel 7:\tSeven\nDate:\t02 / 01");
}

TEST_F(DownloadRun, TodayIsTheLocalDate) {
    ZoneGuard rome("Europe/Rome");
    folder.write("tarvio.channels", "y 7,Seven\n");
    run(1, 1230766200);  // 2008-12-31 23:30 UTC, already 1 January in Rome
    EXPECT_EQ(wget.requests, std::vector<std::string>{"canale_export_7_20090101.xml"});
}

TEST_F(DownloadRun, FailedSecondDayEndsTheChannelOnly) {
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\n");
    wget.serve(1, "20080228", kEvent);
    wget.serve(1, "20080229", std::string(10, 'x'));  // nothing
    wget.serve(1, "20080301", kEvent);
    wget.serve(2, "20080228", kEvent);
    wget.serve(2, "20080229", std::string(11, 'x'));  // a document, but no guide
    wget.serve(2, "20080301", kEvent);
    run(3);
    EXPECT_EQ(wget.requests, (std::vector<std::string>{
                                 "canale_export_1_20080228.xml", "canale_export_1_20080229.xml",
                                 "canale_export_2_20080228.xml", "canale_export_2_20080229.xml",
                                 "canale_export_2_20080301.xml"}));
    // The file is replaced, but neither channel has its three days.
    EXPECT_EQ(outcome(), "Download incomplete, guide replaced:\nfewer days than asked for 2 of 2 channels\n\n"
                         "Press EXIT to close");
}

TEST_F(DownloadRun, ChannelWithoutDataMakesTheRunIncomplete) {
    folder.write("lomvi.dat", "old guide\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\ny 3,Three\n");
    wget.serve(2, "20080228", kEvent);
    wget.serve(3, "20080228", "tiny\n");
    run(1);
    EXPECT_EQ(outcome(), "Download incomplete, guide replaced:\nno guide data for 2 of 3 channels\n\nPress EXIT to close");
    // What did arrive replaces the old guide, which had no block to keep.
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 One\nc\nC 2 Two\nc\nC 3 Three\nc\n");
    EXPECT_TRUE(folderNames(tempDir).empty());
}

TEST_F(DownloadRun, NoDataAtAllKeepsTheOldFile) {
    folder.write("lomvi.dat", "old guide\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\n");
    run(7);
    EXPECT_EQ(outcome(), "Download failed, old guide kept:\nno guide data for 2 of 2 channels\n\nPress EXIT to close");
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file
}

TEST_F(DownloadRun, ListWithoutChannelsKeepsTheOldFile) {
    folder.write("lomvi.dat", "old guide\n");
    for (const char* list : {"", "x this ends the list\ny 1,One\n", "n 1,Off\n# note\n", "\xef\xbb\xbfy 1,One\n"}) {
        view.texts.clear();
        folder.write("tarvio.channels", list);
        run(7);
        EXPECT_EQ(view.texts, std::vector<std::string>{"No channel enabled in:\n" + listPath + "\n\nPress EXIT to close"});
        EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
        EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file
        EXPECT_TRUE(wget.commands.empty());
    }
}

TEST_F(DownloadRun, LinesWithoutCommaAreNotChannels) {
    folder.write("tarvio.channels", "y 1,One\ny 2 Two\ny 3,Three\n");
    run(1);
    ASSERT_EQ(view.texts.size(), 3u);
    EXPECT_EQ(view.texts[0], "Downloading:\t1 of 2\n\nChannel 1:\tOne\nDate:\t28 / 02");
    EXPECT_EQ(view.texts[1], "Downloading:\t2 of 2\n\nChannel 3:\tThree\nDate:\t28 / 02");
    EXPECT_EQ(wget.requests.size(), 2u);
}

TEST_F(DownloadRun, MissingChannelListKeepsTheOldFile) {
    folder.write("lomvi.dat", "old guide\n");
    run(7);
    EXPECT_EQ(view.texts, std::vector<std::string>{"File not found:\n" + listPath + "\n\nPress EXIT to close"});
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names().size(), 2u);  // tmp and the EPG file
    EXPECT_TRUE(wget.commands.empty());
}

TEST_F(DownloadRun, UnwritableOutputStopsBeforeAnything) {
    folder.write("tarvio.channels", "y 1,One\n");
    epgPath = folder.file("missing/lomvi.dat");
    run(7);
    EXPECT_EQ(view.texts, std::vector<std::string>{"Unable to open output file:\n" + epgPath +
                                                   "\n\nPress EXIT to close"});
    EXPECT_TRUE(wget.commands.empty());

    view.texts.clear();
    epgPath = "";
    run(7);
    EXPECT_EQ(view.texts, std::vector<std::string>{"Unable to open output file:\n\n\nPress EXIT to close"});
}

TEST_F(DownloadRun, EpgPathIsCutTo63Characters) {
    folder.write("tarvio.channels", "y 1,One\n");
    wget.serve(1, "20080228", kEvent);
    const std::string cut = folder.path() + "/" + std::string(62 - folder.path().size(), 'a');
    epgPath = cut + "bbbbbbbbbb";
    run(1);
    EXPECT_EQ(outcome(), kDone);
    EXPECT_EQ(access(cut.c_str(), F_OK), 0);
}

TEST(RunTexts, ListFailuresAndRefusedPaths) {
    RunReport report;
    report.outcome = RunOutcome::ChannelListMissing;
    report.failedPath = "/var/kestra/plugins/tarvio.channels";
    // An open that a signal interrupted is no missing file.
    report.error = EINTR;
    EXPECT_EQ(outcomeText(report), "Download interrupted\n\nPress EXIT to close");
    report.error = EISDIR;
    EXPECT_EQ(outcomeText(report), "Not a regular file:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close");
    report.error = EACCES;
    EXPECT_EQ(outcomeText(report), "File not found:\n/var/kestra/plugins/tarvio.channels\n\nPress EXIT to close");

    report.outcome = RunOutcome::EpgPathRefused;
    report.error = 0;
    report.clash = EpgPathClash::ChannelList;
    EXPECT_EQ(outcomeText(report), "Refused as EPG file:\n/var/kestra/plugins/tarvio.channels\n"
                                   "(it is the channel list)\n\nPress EXIT to close");
    report.failedPath = "/tmp/guide.trv";
    report.clash = EpgPathClash::CleanUp;
    EXPECT_EQ(outcomeText(report), "Refused as EPG file:\n/tmp/guide.trv\n(every download deletes /tmp/*.trv)\n\n"
                                   "Press EXIT to close");
    EXPECT_EQ(refusedOnSaveText("/tmp/guide.trv", EpgPathClash::CleanUp),
              "Saved, but a download will refuse\n/tmp/guide.trv\n(every download deletes /tmp/*.trv)");
}
