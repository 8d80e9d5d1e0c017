// run_decisions_test.cpp: whole runs with a stand-in for the fetch seam: the
// channel pass, the day loop, and the run's decisions on time-outs,
// interrupts, write failures and a busy lock, read from its report.
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "day_documents.h"
#include "download_run.h"
#include "fake_fetcher.h"
#include "file_handle.h"
#include "temp_folder.h"
#include "zone_guard.h"

namespace {

const char kOldGuide[] = "C 1 Old\nc\n";
const std::string kEvent = "<event><title>News</title><startTime>20:30</startTime></event>\n";
const char kToday[] = "20080228";

// Counts what the view was told; each fetch started as "1/2 501 Uno 28/02".
class CountingView : public DownloadView {
public:
    void fetchStarted(const FetchStart& fetch) override {
        ++started;
        char text[320];
        std::snprintf(text, sizeof text, "%d/%d %d %s %02d/%02d", fetch.ordinal, fetch.total, fetch.channel.id,
                      fetch.channel.name, fetch.date.day, fetch.date.month);
        starts.push_back(text);
    }
    void fetchEnded(const FetchReport& report) override { ended.push_back(report.result); }
    void runEnded(const RunReport&) override { ++reports; }

    int started = 0;
    std::vector<std::string> starts;
    std::vector<FetchResult> ended;
    int reports = 0;
};

class DownloadRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir(folder.file("tmp").c_str(), 0755);
        folder.write("lomvi.dat", kOldGuide);
    }

    // Channels 1 to count, one day each, every one served a guide.
    void listChannels(int count) {
        std::string list;
        for (int id = 1; id <= count; ++id) {
            list += "y " + std::to_string(id) + ",Channel " + std::to_string(id) + "\n";
            fetcher.serve(id, kToday, kEvent);
        }
        folder.write("tarvio.channels", list);
    }

    RunReport run(int days = 1, std::time_t now = 1204192800 /* 2008-02-28 10:00 UTC */) {
        const std::string list = folder.file("tarvio.channels"), temp = folder.file("tmp"),
                          lock = lockFolder.file("tarvio.lock");
        const DownloadPlaces places{list.c_str(), temp.c_str(), lock.c_str()};
        FixedClock clock(now);
        DayDocuments source(fetcher);
        return runDownload(epgPath.c_str(), days, places, view, clock, source);
    }

    ZoneGuard zone{"UTC"};
    TempFolder folder;
    const std::string listPath = folder.file("tarvio.channels");
    std::string epgPath = folder.file("lomvi.dat");
    TempFolder lockFolder;
    CountingView view;
    FakeFetcher fetcher;
};

}  // namespace

TEST_F(DownloadRun, TwoTimeOutsInARowSkipTheRest) {
    listChannels(4);
    fetcher.answer(1, kToday, FetchResult::TimedOut);
    fetcher.answer(2, kToday, FetchResult::TimedOut);
    const RunReport report = run();

    EXPECT_EQ(fetcher.requests.size(), 2u) << "no fetch is started once the service counts as gone";
    ASSERT_EQ(report.channels.size(), 4u);
    EXPECT_EQ(report.channels[0].lastFetch, FetchResult::TimedOut);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::TimedOut);
    EXPECT_EQ(report.channels[2].lastFetch, FetchResult::Skipped);
    EXPECT_EQ(report.channels[3].lastFetch, FetchResult::Skipped);
    EXPECT_EQ(view.ended, (std::vector<FetchResult>{FetchResult::TimedOut, FetchResult::TimedOut,
                                                    FetchResult::Skipped, FetchResult::Skipped}));
    EXPECT_EQ(report.outcome, RunOutcome::NoGuideData);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
}

TEST_F(DownloadRun, AnAnswerAfterATimeOutStartsTheCountAgain) {
    listChannels(4);
    fetcher.answer(1, kToday, FetchResult::TimedOut);
    fetcher.answer(3, kToday, FetchResult::TimedOut);
    // A fetch the shell could not start brought nothing, but says nothing
    // of the service either.
    fetcher.answer(4, kToday, FetchResult::Nothing);
    const RunReport report = run();

    EXPECT_EQ(fetcher.requests.size(), 4u);
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsWithoutData(), 3);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Data);
    EXPECT_EQ(report.channels[1].daysConverted, 1);
    EXPECT_EQ(report.channels[1].eventsConverted, 1);
    EXPECT_EQ(report.channels[3].lastFetch, FetchResult::Nothing);
    EXPECT_TRUE(report.replaced());
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 Channel 1\nc\nC 2 Channel 2\nc\nC 3 Channel 3\nc\nC 4 Channel 4\nc\n");
}

TEST_F(DownloadRun, AnInterruptedRunKeepsTheOldFile) {
    listChannels(3);
    for (int id : {1, 2})
        fetcher.serve(id, "20080229", kEvent);
    fetcher.answer(2, "20080229", FetchResult::Interrupted);
    const RunReport report = run(2);

    EXPECT_EQ(fetcher.requests.size(), 4u) << "channel 3 is never fetched";
    EXPECT_EQ(report.outcome, RunOutcome::Interrupted);
    ASSERT_EQ(report.channels.size(), 2u);
    EXPECT_EQ(report.channels[0].daysConverted, 2);
    EXPECT_EQ(report.channels[1].daysConverted, 1);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Interrupted);
    EXPECT_FALSE(report.replaced());
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_EQ(folder.names().size(), 3u) << "tmp, the list, the EPG file: no new file left";
    EXPECT_EQ(view.reports, 1);
}

TEST_F(DownloadRun, AWriteFailureStopsTheFetching) {
    // Each channel's block outgrows what the storage takes.
    std::string events;
    for (int i = 0; i < 200; ++i)
        events += "<event><title>" + std::string(200, 'x') + "</title><startTime>06:00</startTime></event>\n";
    listChannels(5);
    for (int id = 1; id <= 5; ++id)
        fetcher.serve(id, kToday, events);

    // Files of this process may grow to 60000 bytes: a day's document
    // (about 53 KB) still fits, the EPG file's second block does not.
    const rlimit saved = [] {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        return limit;
    }();
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{60000, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const RunReport report = run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(report.failure.what, FailureKind::OutputNotWritten);
    EXPECT_EQ(report.failure.error, EFBIG);
    EXPECT_EQ(report.failure.path, folder.file("lomvi.dat"));
    EXPECT_LT(fetcher.requests.size(), 5u) << "fetching stops once the file can't be written";
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_EQ(folder.names().size(), 3u);
}

TEST_F(DownloadRun, ABusyLockTouchesNothing) {
    listChannels(2);
    const std::string lockPath = lockFolder.file("tarvio.lock");
    FdHandle other(::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_TRUE(other);
    ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);
    const RunReport report = run();

    EXPECT_EQ(report.failure.what, FailureKind::Busy);
    EXPECT_EQ(report.failure.path, lockPath);
    EXPECT_TRUE(fetcher.calls.empty());
    EXPECT_EQ(view.started, 0);
    EXPECT_EQ(view.reports, 1);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_TRUE(report.channels.empty());
}

TEST_F(DownloadRun, ChannelsWithoutDataKeepTheirOldBlocks) {
    // Two channels of the same name, and blocks in another order than the list's.
    const std::string record = "E 1 100 60\nT Old\nX 100\nS \nL 1\nD \ne\n";
    folder.write("lomvi.dat", "C 1 Two\n" + record + "c\nC 2 One\nc\nC 3 Two\nE 1 200 60\nT Older\nX 200\nS \nL 1\nD two\nlines\ne\nc\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\ny 3,Two\ny 4,Four\n");
    fetcher.serve(1, kToday, kEvent + kEvent);
    const RunReport report = run();

    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsWithoutData(), 3);
    EXPECT_EQ(report.channelsKept(), 2);
    const std::string epg = folder.read("lomvi.dat");
    const std::size_t second = epg.find("C 2 ");
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(epg.substr(0, 8), "C 1 One\n");
    EXPECT_EQ(epg.substr(second), "C 2 Two\n" + record +
                                      "c\nC 3 Two\nE 1 200 60\nT Older\nX 200\nS \nL 1\nD two\nlines\ne\nc\nC 4 Four\nc\n");
}

TEST_F(DownloadRun, NoNewGuideLeavesTheOldFileAsItWas) {
    listChannels(2);
    fetcher.serve(1, kToday, "<html>Service unavailable</html>");
    fetcher.answer(2, kToday, FetchResult::Nothing);  // what it left, maybe cut, is not read
    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.file("lomvi.dat").c_str(), old, 0), 0);
    const RunReport report = run();

    EXPECT_EQ(report.outcome, RunOutcome::NoGuideData);
    EXPECT_EQ(report.channels[0].lastFetch, FetchResult::NotAGuide);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Nothing);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    struct stat info;
    ASSERT_EQ(stat(folder.file("lomvi.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1000000000);
}

TEST_F(DownloadRun, ADocumentWithoutEventsIsNoDayButTheNextIsFetched) {
    listChannels(1);
    fetcher.serve(1, kToday, "<events></events>\n");
    fetcher.serve(1, "20080229", kEvent + kEvent);
    const RunReport report = run(2);
    EXPECT_EQ(fetcher.requests.size(), 2u);
    EXPECT_EQ(report.channels[0].daysConverted, 1);
    EXPECT_EQ(report.channelsShort(), 1);
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
}

TEST_F(DownloadRun, WithoutWgetNothingMoreIsTriedAndTheOldFileStays) {
    listChannels(3);
    fetcher.answer(1, kToday, FetchResult::NoWget);
    const RunReport report = run();
    EXPECT_EQ(fetcher.requests.size(), 1u);
    EXPECT_EQ(report.outcome, RunOutcome::NoWget);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
}

TEST_F(DownloadRun, ALockThatIsNoFileRefusesTheRun) {
    listChannels(1);
    ASSERT_EQ(mkdir(lockFolder.file("tarvio.lock").c_str(), 0755), 0);
    const RunReport report = run();
    EXPECT_EQ(report.failure.what, FailureKind::LockFailed);
    EXPECT_EQ(report.failure.error, EISDIR);
    EXPECT_TRUE(fetcher.calls.empty());
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
}

TEST_F(DownloadRun, FetchesEveryEnabledChannelAndDay) {
    folder.write("tarvio.channels", "y 501,Uno\n# comment\nn 502,Off\nY 503,Tre\n\ny 504,Never\n");
    const std::string morning = "<event><title>Early</title><startTime>06:00</startTime></event>\n";
    for (int id : {501, 503}) {
        fetcher.serve(id, "20080228", kEvent);
        fetcher.serve(id, "20080229", morning);
    }
    const RunReport report = run(2);

    EXPECT_EQ(view.starts, (std::vector<std::string>{"1/2 501 Uno 28/02", "1/2 501 Uno 29/02", "2/2 503 Tre 28/02",
                                                     "2/2 503 Tre 29/02"}));
    EXPECT_EQ(fetcher.calls, (std::vector<std::string>{
                                 "remove", "fetch canale_export_501_20080228.xml", "fetch canale_export_501_20080229.xml",
                                 "remove", "fetch canale_export_503_20080228.xml", "fetch canale_export_503_20080229.xml",
                                 "remove"}));
    EXPECT_EQ(report.outcome, RunOutcome::Done);
    EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file

    // Day 2's event closes day 1's; each channel's last event has no end.
    const std::string record = "E 1 1204234200 34200\nT News\nX 1204234200\nS \nL 570\nD \ne\n";
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 Uno\n" + record + "c\nC 2 Tre\n" + record + "c\n");
}

TEST_F(DownloadRun, DaySettingsGiveAtLeastOneDay) {
    folder.write("tarvio.channels", "y 1,One\n");
    for (const char* date : {"20080228", "20080229", "20080301", "20080302", "20080303", "20080304",
                             "20080305", "20080306", "20080307", "20080308"})
        fetcher.serve(1, date, kEvent);
    const std::map<int, size_t> expected{{-1, 1}, {0, 1}, {1, 1}, {7, 7}, {8, 8}, {9, 9}};
    for (const auto& [days, fetched] : expected) {
        fetcher.requests.clear();
        EXPECT_EQ(run(days).outcome, RunOutcome::Done);
        EXPECT_EQ(fetcher.requests.size(), fetched) << days << " days";
    }
    EXPECT_EQ(fetcher.requests.back(), "canale_export_1_20080307.xml");
}

TEST_F(DownloadRun, SteppingCrossesTheYearEnd) {
    folder.write("tarvio.channels", "y 7,Seven\n");
    for (const char* date : {"20081231", "20090101", "20090102"})
        fetcher.serve(7, date, kEvent);
    run(3, 1230717600);  // 2008-12-31 10:00 UTC
    EXPECT_EQ(fetcher.requests, (std::vector<std::string>{"canale_export_7_20081231.xml",
                                                          "canale_export_7_20090101.xml",
                                                          "canale_export_7_20090102.xml"}));
    EXPECT_EQ(view.starts[2], "1/1 7 Seven 02/01");
}

TEST_F(DownloadRun, TodayIsTheLocalDate) {
    ZoneGuard rome("Europe/Rome");
    folder.write("tarvio.channels", "y 7,Seven\n");
    run(1, 1230766200);  // 2008-12-31 23:30 UTC, already 1 January in Rome
    EXPECT_EQ(fetcher.requests, std::vector<std::string>{"canale_export_7_20090101.xml"});
}

TEST_F(DownloadRun, FailedSecondDayEndsTheChannelOnly) {
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\n");
    fetcher.serve(1, "20080228", kEvent);
    fetcher.serve(1, "20080229", std::string(10, 'x'));  // nothing
    fetcher.serve(1, "20080301", kEvent);
    fetcher.serve(2, "20080228", kEvent);
    fetcher.serve(2, "20080229", std::string(11, 'x'));  // a document, but no guide
    fetcher.serve(2, "20080301", kEvent);
    const RunReport report = run(3);
    EXPECT_EQ(fetcher.requests, (std::vector<std::string>{
                                    "canale_export_1_20080228.xml", "canale_export_1_20080229.xml",
                                    "canale_export_2_20080228.xml", "canale_export_2_20080229.xml",
                                    "canale_export_2_20080301.xml"}));
    // The file is replaced, but neither channel has its three days.
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsShort(), 2);
    EXPECT_EQ(report.channelsWithoutData(), 0);
}

TEST_F(DownloadRun, ChannelWithoutDataMakesTheRunIncomplete) {
    folder.write("lomvi.dat", "old guide\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\ny 3,Three\n");
    fetcher.serve(2, "20080228", kEvent);
    fetcher.serve(3, "20080228", "tiny\n");
    const RunReport report = run(1);
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsWithoutData(), 2);
    // What did arrive replaces the old guide, which had no block to keep.
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 One\nc\nC 2 Two\nc\nC 3 Three\nc\n");
}

TEST_F(DownloadRun, NoDataAtAllKeepsTheOldFile) {
    folder.write("lomvi.dat", "old guide\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\n");
    const RunReport report = run(7);
    EXPECT_EQ(report.outcome, RunOutcome::NoGuideData);
    EXPECT_EQ(report.channelsWithoutData(), 2);
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file
}

TEST_F(DownloadRun, ListWithoutChannelsTouchesNothing) {
    folder.write("lomvi.dat", "old guide\n");
    for (const char* list : {"", "x this ends the list\ny 1,One\n", "n 1,Off\n# note\n", "\xef\xbb\xbfy 1,One\n"}) {
        folder.write("tarvio.channels", list);
        const RunReport report = run(7);
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.failure.what, FailureKind::NoChannel);
        EXPECT_EQ(report.failure.path, listPath);
        EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
        // No temporary EPG file was made beside the old one, not even for a moment.
        EXPECT_EQ(folder.names().size(), 3u);  // tmp, the list, the EPG file
        EXPECT_TRUE(fetcher.calls.empty());
    }
}

TEST_F(DownloadRun, LinesWithoutCommaAreNotChannels) {
    folder.write("tarvio.channels", "y 1,One\ny 2 Two\ny 3,Three\n");
    run(1);
    EXPECT_EQ(view.starts, (std::vector<std::string>{"1/2 1 One 28/02", "2/2 3 Three 28/02"}));
    EXPECT_EQ(fetcher.requests.size(), 2u);
}

TEST_F(DownloadRun, AListThatCannotBeReadIsNoEmptyList) {
    folder.write("lomvi.dat", "old guide\n");
    RunReport report = run(7);
    EXPECT_EQ(report.failure.what, FailureKind::ChannelListMissing);
    EXPECT_EQ(report.failure.error, ENOENT);
    EXPECT_EQ(folder.names().size(), 2u);  // tmp and the EPG file

    ASSERT_EQ(mkdir(listPath.c_str(), 0755), 0);
    report = run(7);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.failure.what, FailureKind::ChannelListUnreadable);
    EXPECT_EQ(report.failure.path, listPath);
    EXPECT_EQ(report.failure.error, EISDIR);
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_TRUE(fetcher.calls.empty());
    rmdir(listPath.c_str());

    // A file far longer than any list is not read to its end.
    std::string endless;
    for (int i = 0; i <= 10000; ++i)
        endless += "y " + std::to_string(i) + ",Channel\n";
    folder.write("tarvio.channels", endless);
    report = run(7);
    EXPECT_EQ(report.failure.what, FailureKind::ChannelListUnreadable);
    EXPECT_EQ(report.failure.error, EFBIG);
    EXPECT_TRUE(fetcher.calls.empty());
}

TEST_F(DownloadRun, UnwritableOutputStopsBeforeAnything) {
    folder.write("tarvio.channels", "y 1,One\n");
    epgPath = folder.file("missing/lomvi.dat");
    RunReport report = run(7);
    EXPECT_EQ(report.failure.what, FailureKind::OutputNotOpened);
    EXPECT_EQ(report.failure.path, epgPath);
    EXPECT_EQ(report.failure.error, ENOENT);
    EXPECT_TRUE(fetcher.calls.empty());

    epgPath = "";
    report = run(7);
    EXPECT_EQ(report.failure.what, FailureKind::OutputNotOpened);
    EXPECT_EQ(report.failure.path, "");
}

TEST_F(DownloadRun, ACutDocumentIsConvertedButTheDayIsNotWhole) {
    listChannels(2);
    std::string day;
    while (day.size() <= kDocumentSize)
        day += kEvent;
    fetcher.serve(2, kToday, day);
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete) << "no DONE! for a day cut short";
    EXPECT_EQ(report.channelsCut(), 1);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Cut);
    EXPECT_EQ(report.channels[1].daysConverted, 1);
    EXPECT_EQ(report.channels[1].daysCut, 1);
    EXPECT_EQ(view.ended[1], FetchResult::Cut);
    // The records are those of the first 60000 bytes, as the box always wrote them.
    const std::string epg = folder.read("lomvi.dat");
    const std::size_t events = kDocumentSize / kEvent.size();
    EXPECT_NE(epg.find("E " + std::to_string(events - 1) + " "), std::string::npos);
    EXPECT_EQ(epg.find("E " + std::to_string(events + 1) + " "), std::string::npos);
}

TEST_F(DownloadRun, AKeptBlockSurvivesTextsThatHoldTheFilesOwnLines) {
    // Run 1 stores a channel whose description holds lines "c", "e" and a header.
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\n");
    const std::string tricky = "<event><title>A</title><description>x\nc\ne\nC 2 Two\nc</description>"
                               "<startTime>06:00</startTime></event>\n";
    fetcher.serve(1, kToday, tricky + tricky + kEvent);
    fetcher.serve(2, kToday, kEvent + kEvent);
    ASSERT_EQ(run().outcome, RunOutcome::Done);
    const std::string first = folder.read("lomvi.dat");

    // Run 2 brings nothing for channel 1: its block is kept whole.
    fetcher.documents.erase(FakeFetcher::documentName(1, kToday));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsKept(), 1);
    EXPECT_EQ(folder.read("lomvi.dat"), first);
}

namespace {

// Notes, as each fetch starts (the lock, the list, the old guide and the
// new EPG file are all open by then), whether 0, 1 or 2 was open.
class DescriptorView : public DownloadView {
public:
    void fetchStarted(const FetchStart&) override {
        ++started;
        for (int fd = 0; fd <= 2; ++fd)
            if (::fcntl(fd, F_GETFD) != -1)
                ++standardOpen;
    }

    int started = 0;
    int standardOpen = 0;
};

class RunRefusals : public DownloadRun {
protected:
    RunReport runAt(const std::string& epg, DownloadView& seen) {
        const std::string list = folder.file("tarvio.channels"), temp = folder.file("tmp"),
                          lock = lockFolder.file("tarvio.lock"), settings = folder.file("tarvio.conf");
        const DownloadPlaces places{list.c_str(), temp.c_str(), lock.c_str(), settings.c_str(), nullptr};
        FixedClock clock(1204192800);
        DayDocuments source(fetcher);
        return runDownload(epg.c_str(), 1, places, seen, clock, source);
    }
};

}  // namespace

// A cron line that closes the output, or a host with a standard descriptor
// closed: no file of the run takes one of those numbers, where the
// progress or the host's messages would be written into it.
TEST_F(RunRefusals, TheRunsFilesStayOffTheStandardDescriptors) {
    listChannels(2);
    DescriptorView seen;
    const int saved[3] = {::dup(0), ::dup(1), ::dup(2)};
    ASSERT_TRUE(saved[0] > 2 && saved[1] > 2 && saved[2] > 2);
    for (int fd = 0; fd <= 2; ++fd)
        ::close(fd);
    const RunReport report = runAt(folder.file("lomvi.dat"), seen);
    for (int fd = 0; fd <= 2; ++fd) {
        ::dup2(saved[fd], fd);
        ::close(saved[fd]);
    }

    EXPECT_EQ(report.outcome, RunOutcome::Done);
    EXPECT_EQ(seen.started, 2);
    EXPECT_EQ(seen.standardOpen, 0);
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 Channel 1\nc\nC 2 Channel 2\nc\n");
}

TEST_F(RunRefusals, AnEpgPathThatWouldDestroyAFileTouchesNothing) {
    listChannels(1);
    folder.write("tarvio.conf", "# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n7\n");
    folder.write("tmp/guide.trv", kOldGuide);
    const struct {
        std::string path;
        EpgPathClash clash;
    } cases[] = {{folder.file("tarvio.channels"), EpgPathClash::ChannelList},
                 {folder.file("tmp/../tarvio.conf"), EpgPathClash::SettingsFile},
                 {folder.file("tmp/guide.trv"), EpgPathClash::CleanUp}};
    for (const auto& refused : cases) {
        CountingView seen;
        const RunReport report = runAt(refused.path, seen);
        EXPECT_EQ(report.failure.what, FailureKind::EpgPathRefused) << refused.path;
        EXPECT_EQ(report.failure.clash, refused.clash) << refused.path;
        EXPECT_EQ(report.failure.path, refused.path);
        EXPECT_EQ(seen.reports, 1);
        EXPECT_EQ(seen.started, 0);
    }
    EXPECT_TRUE(fetcher.calls.empty()) << "not even the clean-up";
    EXPECT_TRUE(lockFolder.names().empty()) << "not even the lock";
    EXPECT_EQ(folder.read("tarvio.channels"), "y 1,Channel 1\n");
    EXPECT_EQ(folder.read("tmp/guide.trv"), kOldGuide);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"lomvi.dat", "tarvio.channels", "tarvio.conf", "tmp"}));
}
