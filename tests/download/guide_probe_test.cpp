// guide_probe_test.cpp: the probe of today's guide: what each channel's one fetch brought, and what it leaves.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fake_fetcher.h"
#include "file_handle.h"
#include "day_documents.h"
#include "guide_probe.h"
#include "temp_folder.h"
#include "zone_guard.h"

namespace {

const char kToday[] = "20080228";

std::string events(int count) {
    std::string document = "<?xml version=\"1.0\"?>\n<events>\n";
    for (int n = 0; n < count; ++n)
        document += "<event><title>Show " + std::to_string(n) + "</title><startTime>" + std::to_string(10 + n) +
                    ":00</startTime></event>\n";
    return document + "</events>\n";
}

// What the view heard: "start ID" and "end ID RESULT EVENTS".
class RecordingView : public DownloadView {
public:
    void fetchStarted(const FetchStart& start) override {
        heard.push_back("start " + std::to_string(start.channel.id) + " day " + std::to_string(start.dayNumber));
    }
    void fetchEnded(const FetchReport& report) override {
        heard.push_back("end " + std::to_string(report.channel.id) + " " +
                        std::to_string(static_cast<int>(report.result)) + " " + std::to_string(report.events));
    }
    std::vector<std::string> heard;
};

class GuideProbe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir(folder.file("tmp").c_str(), 0755);
    }

    ProbeReport probe() {
        const std::string list = folder.file("tarvio.channels"), temp = folder.file("tmp"),
                          lock = folder.file("tarvio.lock");
        const DownloadPlaces places{list.c_str(), temp.c_str(), lock.c_str()};
        FixedClock clock(1204192800);  // 2008-02-28 10:00 UTC
        DayDocuments source(fetcher, DayDocuments::Mode::Probe);
        return probeGuide(places, 1, view, clock, source);
    }

    ZoneGuard zone{"UTC"};
    TempFolder folder;
    RecordingView view;
    FakeFetcher fetcher;
};

}  // namespace

TEST_F(GuideProbe, EachChannelOnceWithItsEventsOrWhyNone) {
    folder.write("tarvio.channels", "y 1,One\nn 9,Off\ny 2,Two\ny 3,Three\ny 4,Four\ny 5,Five\ny 6,Six\ny 7,Seven\n");
    fetcher.serve(1, kToday, events(3));
    fetcher.serve(2, kToday, "<html><body>Service unavailable</body></html>\n");
    // Ten bytes or fewer hold no guide; a 404 leaves an empty file.
    fetcher.serve(3, kToday, "1234567890");
    // Documents that ended badly are dropped unread, however whole they look.
    fetcher.serve(5, kToday, events(2));
    fetcher.answer(5, kToday, FetchResult::TimedOut);
    fetcher.serve(6, kToday, events(2));
    fetcher.answer(6, kToday, FetchResult::TimedOut);
    fetcher.serve(7, kToday, events(1));
    fetcher.answer(7, kToday, FetchResult::Nothing);
    const ProbeReport report = probe();

    EXPECT_EQ(report.outcome, ProbeOutcome::Done);
    EXPECT_EQ(report.total, 7);
    EXPECT_EQ((std::vector<int>{report.date.day, report.date.month, report.date.year}), (std::vector<int>{28, 2, 108}));
    // Two time-outs in a row stop a run's fetching, but not a probe's.
    EXPECT_EQ(fetcher.requests, (std::vector<std::string>{
                                 FakeFetcher::documentName(1, kToday), FakeFetcher::documentName(2, kToday),
                                 FakeFetcher::documentName(3, kToday), FakeFetcher::documentName(4, kToday),
                                 FakeFetcher::documentName(5, kToday), FakeFetcher::documentName(6, kToday),
                                 FakeFetcher::documentName(7, kToday)}));
    ASSERT_EQ(report.channels.size(), 7u);
    const FetchResult expected[] = {FetchResult::Data, FetchResult::NotAGuide, FetchResult::Nothing,
                                    FetchResult::Nothing, FetchResult::TimedOut, FetchResult::TimedOut,
                                    FetchResult::Nothing};
    for (std::size_t i = 0; i < report.channels.size(); ++i) {
        const ChannelReport& channel = report.channels[i];
        EXPECT_EQ(channel.ordinal, static_cast<int>(i) + 1);
        EXPECT_EQ(channel.lastFetch, expected[i]) << "channel " << channel.id;
        EXPECT_EQ(channel.eventsConverted, i == 0 ? 3 : 0) << "channel " << channel.id;
    }
    EXPECT_EQ(report.channels[2].id, 3);
    EXPECT_EQ(report.channels[2].name, "Three");
    EXPECT_EQ(report.channelsWithEvents(), 1);
    EXPECT_EQ(view.heard.size(), 14u);
    EXPECT_EQ(view.heard[0], "start 1 day 1");
    EXPECT_EQ(view.heard[1], "end 1 0 3");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"tarvio.channels", "tarvio.lock", "tmp"}));
}

TEST_F(GuideProbe, NoWgetOrAnInterruptStopsIt) {
    folder.write("tarvio.channels", "y 1,One\ny 2,Two\ny 3,Three\n");
    for (int id : {1, 2, 3})
        fetcher.serve(id, kToday, events(1));
    fetcher.answer(2, kToday, FetchResult::NoWget);
    ProbeReport report = probe();
    EXPECT_EQ(report.outcome, ProbeOutcome::NoWget);
    ASSERT_EQ(report.channels.size(), 2u) << "no channel after it is tried";
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::NoWget);
    EXPECT_EQ(fetcher.requests.size(), 2u);

    fetcher.requests.clear();
    fetcher.answer(2, kToday, FetchResult::Interrupted);
    report = probe();
    EXPECT_EQ(report.outcome, ProbeOutcome::Interrupted);
    ASSERT_EQ(report.channels.size(), 2u);
    EXPECT_EQ(report.channels[1].lastFetch, FetchResult::Interrupted);
    EXPECT_EQ(report.channelsWithEvents(), 1);
    EXPECT_EQ(fetcher.requests.size(), 2u);
}

TEST_F(GuideProbe, RefusedWithoutTheLockOrAChannel) {
    folder.write("tarvio.channels", "y 1,One\n");
    fetcher.serve(1, kToday, events(1));
    {
        // A download run holds the lock.
        FdHandle run(::open(folder.file("tarvio.lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_EQ(::flock(run.get(), LOCK_EX), 0);
        const ProbeReport report = probe();
        EXPECT_EQ(report.failure.what, FailureKind::Busy);
        EXPECT_TRUE(report.channels.empty());
    }
    ::unlink(folder.file("tarvio.lock").c_str());
    ASSERT_EQ(::mkdir(folder.file("tarvio.lock").c_str(), 0755), 0);
    ProbeReport report = probe();
    EXPECT_EQ(report.failure.what, FailureKind::LockFailed);
    EXPECT_EQ(report.failure.path, folder.file("tarvio.lock"));
    EXPECT_NE(report.failure.error, 0);
    EXPECT_TRUE(fetcher.requests.empty());
    ::rmdir(folder.file("tarvio.lock").c_str());

    // A blank line ends the list before its only channel.
    folder.write("tarvio.channels", "# mine\n\ny 1,One\n");
    report = probe();
    EXPECT_EQ(report.failure.what, FailureKind::NoChannel);
    EXPECT_EQ(report.failure.path, folder.file("tarvio.channels"));

    ::unlink(folder.file("tarvio.channels").c_str());
    report = probe();
    EXPECT_EQ(report.failure.what, FailureKind::ChannelListMissing);
    EXPECT_EQ(report.failure.error, ENOENT);
    EXPECT_TRUE(fetcher.requests.empty());
}
