// xmltv_source_test.cpp: an XMLTV guide as a run's source: mirrors in order, what each channel tells, a stop asked for.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "xmltv_source.h"

namespace {

constexpr std::time_t kMidnight = 1899331200;  // 2030-03-10 00:00 UTC, the fixtures' day

// No command may run: the guides here are local files. Says the run was
// asked to stop after the given number of questions.
class LocalOnlyShell : public CommandRunner {
public:
    CommandStatus run(const char*) override {
        ADD_FAILURE() << "a command ran";
        return CommandStatus::NotStarted;
    }
    CommandStatus stream(const char*, OutputSink&) override { return run(nullptr); }
    bool takeInterrupt() override { return ++asked == stopAt; }

    int stopAt = -1;
    int asked = 0;
};

class RecordingView : public DownloadView {
public:
    void fetchEnded(const FetchReport& report) override {
        std::string line = std::string(report.channel.key) + ": " + std::to_string(report.events) + " events, " +
                           std::to_string(report.daysFound) + " of " + std::to_string(report.daysAsked) + " days";
        if (report.noGuide)
            line += ", no guide";
        if (report.notInGuide)
            line += ", not in the guide";
        for (const std::string& id : report.closest)
            line += " " + id;
        channels.push_back(line);
    }
    void locationEnded(const LocationReport& location) override { locations.push_back(location); }

    std::vector<std::string> channels;
    std::vector<LocationReport> locations;
};

ChannelEntry entry(const char* key) {
    ChannelEntry channel;
    std::snprintf(channel.key, sizeof channel.key, "%s", key);
    std::snprintf(channel.name, sizeof channel.name, "%s", key);
    return channel;
}

std::string fixture(const char* name) { return std::string(XMLTV_FIXTURES) + "/" + name; }

class XmltvSourceRun : public ::testing::Test {
protected:
    // Reads the guide from the first location that brings one, then has
    // each channel converted, its records going nowhere.
    void read(std::vector<std::string> locations, bool listing) {
        GuideSourceSettings settings;
        settings.locations = std::move(locations);
        XmltvSource source(settings, shell);
        if (listing)
            source.listChannels();
        source.begin(RunDays{GuideDate{10, 3, 130}, kMidnight, 1}, channels, view);
        stop = source.stop();
        std::FILE* nowhere = std::fopen("/dev/null", "w");
        ASSERT_NE(nowhere, nullptr);
        for (std::size_t i = 0; i < channels.size() && stop == SourceStop::None; ++i) {
            ChannelReport report;
            const int ordinal = static_cast<int>(i) + 1;
            source.convertChannel(ChannelStep{ordinal, static_cast<int>(channels.size()), channels[i]}, nowhere,
                                  report);
        }
        std::fclose(nowhere);
    }

    LocalOnlyShell shell;
    RecordingView view;
    std::vector<ChannelEntry> channels{entry("alpha.example"), entry("Gamma.example"), entry("alpha.exampel")};
    SourceStop stop = SourceStop::None;
};

TEST_F(XmltvSourceRun, MirrorsInOrderAndWhatEachChannelTells) {
    read({fixture("missing.xml"), fixture("bad_gateway.html"), fixture("guide.xml"), fixture("latin1.xml")}, true);
    ASSERT_EQ(view.locations.size(), 3u);
    EXPECT_EQ(view.locations[0].problem.error, XmltvError::OpenFailed);
    EXPECT_EQ(view.locations[1].problem.error, XmltvError::NotXmltv);
    EXPECT_TRUE(view.locations[2].brought());
    EXPECT_EQ(view.channels, (std::vector<std::string>{
                                 "alpha.example: 6 events, 1 of 1 days",
                                 "Gamma.example: 0 events, 0 of 1 days",
                                 "alpha.exampel: 0 events, 0 of 1 days, not in the guide alpha.example beta.example "
                                 "gamma.example"}));

    // A run looks for no closest ids; without a guide each channel says so.
    view = RecordingView();
    read({fixture("guide.xml")}, false);
    EXPECT_EQ(view.channels.back(), "alpha.exampel: 0 events, 0 of 1 days, not in the guide");
    view = RecordingView();
    read({fixture("missing.xml")}, false);
    EXPECT_EQ(view.channels.front(), "alpha.example: 0 events, 0 of 1 days, no guide");
}

TEST_F(XmltvSourceRun, AStopAskedForEndsALocalFilesReading) {
    shell.stopAt = 1;
    read({fixture("guide.xml"), fixture("latin1.xml")}, false);
    EXPECT_EQ(stop, SourceStop::Interrupted);
    ASSERT_EQ(view.locations.size(), 1u);
    EXPECT_EQ(view.locations[0].result, FetchResult::Interrupted);
    EXPECT_TRUE(view.channels.empty());
}

}  // namespace
