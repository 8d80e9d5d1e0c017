// run_decisions_test.cpp: the run's decisions on time-outs, interrupts, write
// failures and a busy lock, read from its report.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "download_run.h"
#include "fake_wget.h"
#include "file_handle.h"
#include "temp_folder.h"
#include "zone_guard.h"

namespace {

const char kOldGuide[] = "C 1 Old\nc\n";
const std::string kEvent = "<event><title>News</title><startTime>20:30</startTime></event>\n";
const char kToday[] = "20080228";

// Counts what the view was told.
class CountingView : public DownloadView {
public:
    void fetchStarted(const FetchStart&) override { ++started; }
    void fetchEnded(const FetchReport& report) override { ended.push_back(report.result); }
    void runEnded(const RunReport&) override { ++reports; }

    int started = 0;
    std::vector<FetchResult> ended;
    int reports = 0;
};

class RunDecisions : public ::testing::Test {
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
            wget.serve(id, kToday, kEvent);
        }
        folder.write("tarvio.channels", list);
    }

    RunReport run(int days = 1) {
        const std::string list = folder.file("tarvio.channels"), temp = folder.file("tmp"),
                          lock = lockFolder.file("tarvio.lock"), epg = folder.file("lomvi.dat");
        const DownloadPlaces places{list.c_str(), temp.c_str(), lock.c_str()};
        FixedClock clock(1204192800);  // 2008-02-28 10:00 UTC
        return runDownload(epg.c_str(), days, places, view, clock, wget);
    }

    ZoneGuard zone{"UTC"};
    TempFolder folder;
    TempFolder lockFolder;
    CountingView view;
    FakeWget wget;
};

}  // namespace

TEST_F(RunDecisions, TwoTimeOutsInARowSkipTheRest) {
    listChannels(4);
    wget.answer(1, kToday, CommandStatus::TimedOut);
    wget.answer(2, kToday, CommandStatus::TimedOut);
    const RunReport report = run();

    EXPECT_EQ(wget.requests.size(), 2u) << "no fetch is started once the service counts as gone";
    ASSERT_EQ(report.channels.size(), 4u);
    EXPECT_EQ(report.channels[0].lastFetch, FetchResult::TimedOut);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::TimedOut);
    EXPECT_EQ(report.channels[2].lastFetch, FetchResult::Skipped);
    EXPECT_EQ(report.channels[3].lastFetch, FetchResult::Skipped);
    EXPECT_EQ(view.ended, (std::vector<FetchResult>{FetchResult::TimedOut, FetchResult::TimedOut,
                                                    FetchResult::Skipped, FetchResult::Skipped}));
    EXPECT_EQ(report.outcome, RunOutcome::NoGuideData);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_TRUE(folderNames(folder.file("tmp")).empty()) << "a timed-out fetch's document is dropped";
}

TEST_F(RunDecisions, AnAnswerAfterATimeOutStartsTheCountAgain) {
    listChannels(4);
    wget.answer(1, kToday, CommandStatus::TimedOut);
    wget.answer(3, kToday, CommandStatus::TimedOut);
    // A fetch the shell could not start brought nothing, but says nothing
    // of the service either.
    wget.answer(4, kToday, CommandStatus::NotStarted);
    const RunReport report = run();

    EXPECT_EQ(wget.requests.size(), 4u);
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(report.channelsWithoutData(), 3);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Data);
    EXPECT_EQ(report.channels[1].daysConverted, 1);
    EXPECT_EQ(report.channels[1].eventsConverted, 1);
    EXPECT_EQ(report.channels[3].lastFetch, FetchResult::Nothing);
    EXPECT_TRUE(report.replaced());
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 Channel 1\nc\nC 2 Channel 2\nc\nC 3 Channel 3\nc\nC 4 Channel 4\nc\n");
}

TEST_F(RunDecisions, AnInterruptedRunKeepsTheOldFile) {
    listChannels(3);
    for (int id : {1, 2})
        wget.serve(id, "20080229", kEvent);
    wget.answer(2, "20080229", CommandStatus::Interrupted);
    const RunReport report = run(2);

    EXPECT_EQ(wget.requests.size(), 4u) << "channel 3 is never fetched";
    EXPECT_EQ(report.outcome, RunOutcome::Interrupted);
    ASSERT_EQ(report.channels.size(), 2u);
    EXPECT_EQ(report.channels[0].daysConverted, 2);
    EXPECT_EQ(report.channels[1].daysConverted, 1);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Interrupted);
    EXPECT_FALSE(report.replaced());
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_EQ(folder.names().size(), 3u) << "tmp, the list, the EPG file: no new file left";
    EXPECT_TRUE(folderNames(folder.file("tmp")).empty());
    EXPECT_EQ(view.reports, 1);
}

TEST_F(RunDecisions, AWriteFailureStopsTheFetching) {
    // Each channel's block outgrows what the storage takes.
    std::string events;
    for (int i = 0; i < 200; ++i)
        events += "<event><title>" + std::string(200, 'x') + "</title><startTime>06:00</startTime></event>\n";
    listChannels(5);
    for (int id = 1; id <= 5; ++id)
        wget.serve(id, kToday, events);

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

    EXPECT_EQ(report.outcome, RunOutcome::OutputNotWritten);
    EXPECT_EQ(report.error, EFBIG);
    EXPECT_EQ(report.failedPath, folder.file("lomvi.dat"));
    EXPECT_LT(wget.requests.size(), 5u) << "fetching stops once the file can't be written";
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_EQ(folder.names().size(), 3u);
}

TEST_F(RunDecisions, ABusyLockTouchesNothing) {
    listChannels(2);
    const std::string lockPath = lockFolder.file("tarvio.lock");
    FdHandle other(::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_TRUE(other);
    ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);
    const RunReport report = run();

    EXPECT_EQ(report.outcome, RunOutcome::Busy);
    EXPECT_EQ(report.failedPath, lockPath);
    EXPECT_TRUE(wget.commands.empty());
    EXPECT_EQ(view.started, 0);
    EXPECT_EQ(view.reports, 1);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
    EXPECT_TRUE(report.channels.empty());
}

TEST_F(RunDecisions, ChannelsWithoutDataKeepTheirOldBlocks) {
    // Two channels of the same name, and blocks in another order than the list's.
    const std::string record = "E 1 100 60\nT Old\nX 100\nS \nL 1\nD \ne\n";
    folder.write("lomvi.dat", "C 1 Two\n" + record + "c\nC 2 One\nc\nC 3 Two\nE 1 200 60\nT Older\nX 200\nS \nL 1\nD two\nlines\ne\nc\n");
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\ny 3,Two\ny 4,Four\n");
    wget.serve(1, kToday, kEvent + kEvent);
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

TEST_F(RunDecisions, NoNewGuideLeavesTheOldFileAsItWas) {
    listChannels(2);
    wget.serve(1, kToday, "<html>Service unavailable</html>");
    wget.answer(2, kToday, CommandStatus::Failed);  // what it left, maybe cut, is not read
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

TEST_F(RunDecisions, ADocumentWithoutEventsIsNoDayButTheNextIsFetched) {
    listChannels(1);
    wget.serve(1, kToday, "<events></events>\n");
    wget.serve(1, "20080229", kEvent + kEvent);
    const RunReport report = run(2);
    EXPECT_EQ(wget.requests.size(), 2u);
    EXPECT_EQ(report.channels[0].daysConverted, 1);
    EXPECT_EQ(report.channelsShort(), 1);
    EXPECT_EQ(report.outcome, RunOutcome::Incomplete);
}

TEST_F(RunDecisions, WithoutWgetNothingMoreIsTriedAndTheOldFileStays) {
    listChannels(3);
    wget.answer(1, kToday, CommandStatus::NotFound);
    const RunReport report = run();
    EXPECT_EQ(wget.requests.size(), 1u);
    EXPECT_EQ(report.outcome, RunOutcome::NoWget);
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
}

TEST_F(RunDecisions, ALockThatIsNoFileRefusesTheRun) {
    listChannels(1);
    ASSERT_EQ(mkdir(lockFolder.file("tarvio.lock").c_str(), 0755), 0);
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::LockFailed);
    EXPECT_EQ(report.error, EISDIR);
    EXPECT_TRUE(wget.commands.empty());
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
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

class RunRefusals : public RunDecisions {
protected:
    RunReport runAt(const std::string& epg, DownloadView& seen) {
        const std::string list = folder.file("tarvio.channels"), temp = folder.file("tmp"),
                          lock = lockFolder.file("tarvio.lock"), settings = folder.file("tarvio.conf");
        const DownloadPlaces places{list.c_str(), temp.c_str(), lock.c_str(), settings.c_str(), nullptr};
        FixedClock clock(1204192800);
        return runDownload(epg.c_str(), 1, places, seen, clock, wget);
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
        EXPECT_EQ(report.outcome, RunOutcome::EpgPathRefused) << refused.path;
        EXPECT_EQ(report.clash, refused.clash) << refused.path;
        EXPECT_EQ(report.failedPath, refused.path);
        EXPECT_EQ(seen.reports, 1);
        EXPECT_EQ(seen.started, 0);
    }
    EXPECT_TRUE(wget.commands.empty()) << "not even the clean-up";
    EXPECT_TRUE(lockFolder.names().empty()) << "not even the lock";
    EXPECT_EQ(folder.read("tarvio.channels"), "y 1,Channel 1\n");
    EXPECT_EQ(folder.read("tmp/guide.trv"), kOldGuide);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"lomvi.dat", "tarvio.channels", "tarvio.conf", "tmp"}));
}

// A folder was read as a list that enables nothing: it is refused as what it is.
TEST_F(RunRefusals, AListThatIsAFolderIsRefusedAsSuch) {
    ASSERT_EQ(mkdir(folder.file("tarvio.channels").c_str(), 0755), 0);
    CountingView seen;
    const RunReport report = runAt(folder.file("lomvi.dat"), seen);
    EXPECT_EQ(report.outcome, RunOutcome::ChannelListMissing);
    EXPECT_EQ(report.error, EISDIR);
    EXPECT_EQ(report.failedPath, folder.file("tarvio.channels"));
    EXPECT_TRUE(wget.commands.empty());
    EXPECT_EQ(folder.read("lomvi.dat"), kOldGuide);
}
