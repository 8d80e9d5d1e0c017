// document_fetch_test.cpp: the fetch seam of the day documents: the command lines the shell
// runs, the temporary files, and what a fetch brings.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "document_fetch.h"
#include "temp_folder.h"

TEST(FetchCommandLine, BuildsTheWgetLine) {
    char command[512];
    ASSERT_TRUE(buildFetchCommand(command, sizeof command, "/tmp/501_1.trv", 501, GuideDate{7, 3, 108}));
    EXPECT_EQ(std::string(command),
              std::string("wget -q -O /tmp/501_1.trv http://") + guideHost() +
                  "/static/epg/timeline/export/canale_export_501_20080307.xml 2> /dev/null");
}

TEST(FetchCommandLine, TempPathsAndCleanup) {
    char path[64];
    ASSERT_TRUE(buildTempPath(path, sizeof path, "/tmp", 501, 3));
    EXPECT_STREQ(path, "/tmp/501_3.trv");
    ASSERT_TRUE(buildTempPath(path, sizeof path, "/tmp", -2147483647 - 1, 9));
    EXPECT_STREQ(path, "/tmp/-2147483648_9.trv");

    char command[64];
    ASSERT_TRUE(buildCleanupCommand(command, sizeof command, "/tmp"));
    EXPECT_STREQ(command, "rm -rf /tmp/*.trv");
}

TEST(FetchCommandLine, RefusesWhatDoesNotFit) {
    char path[16];
    EXPECT_FALSE(buildTempPath(path, sizeof path, "/tmp", 123456789, 1));
    char command[40];
    EXPECT_FALSE(buildFetchCommand(command, sizeof command, "/tmp/1_1.trv", 1, GuideDate{1, 1, 108}));
    EXPECT_FALSE(buildCleanupCommand(command, 10, "/tmp"));
}

namespace {

// Plays the shell: records each command line and, for a fetch, leaves what
// the test put in place for it at the temporary path, then answers status.
class ScriptedShell : public CommandRunner {
public:
    CommandStatus run(const char* command) override {
        commands.push_back(command);
        linkSeen = linkSeen || ::access(leaveAt.c_str(), F_OK) == 0;
        if (!leave.empty()) {
            std::ofstream(leaveAt, std::ios::binary) << leave;
        }
        return status;
    }
    CommandStatus stream(const char*, OutputSink&) override { return CommandStatus::NotStarted; }

    std::string leaveAt;
    std::string leave;
    CommandStatus status = CommandStatus::Finished;
    bool linkSeen = false;
    std::vector<std::string> commands;
};

class WgetDocumentsTest : public ::testing::Test {
protected:
    FetchedDocument fetch(int dayNumber = 1) {
        shell.leaveAt = folder.file(std::to_string(kChannel.id) + "_" + std::to_string(dayNumber) + ".trv");
        WgetDocuments documents(tempDir.c_str(), shell);
        return documents.fetch(kChannel, GuideDate{28, 2, 108}, dayNumber, document);
    }

    static constexpr ChannelEntry kChannel{501, "Uno"};
    TempFolder folder;
    const std::string tempDir = folder.path();
    ScriptedShell shell;
    DocumentBuffer document;
};

}  // namespace

TEST_F(WgetDocumentsTest, ReadsWhatAFinishedFetchLeftAndRemovesIt) {
    shell.leave = "<events><event><title>News</title></event></events>";
    const FetchedDocument fetched = fetch(2);
    EXPECT_EQ(fetched.result, FetchResult::Data);
    EXPECT_FALSE(fetched.cut);
    EXPECT_EQ(std::string(document), shell.leave);
    ASSERT_EQ(shell.commands.size(), 1u);
    EXPECT_EQ(shell.commands[0], "wget -q -O " + tempDir + "/501_2.trv http://" + guideHost() +
                                     "/static/epg/timeline/export/canale_export_501_20080228.xml 2> /dev/null");
    EXPECT_TRUE(folder.names().empty()) << "the document is removed once read";

    WgetDocuments documents(tempDir.c_str(), shell);
    EXPECT_TRUE(documents.removeDocuments());
    EXPECT_EQ(shell.commands.back(), "rm -rf " + tempDir + "/*.trv");
    shell.status = CommandStatus::Interrupted;
    EXPECT_FALSE(documents.removeDocuments()) << "an interrupted clean-up stops the run";
}

TEST_F(WgetDocumentsTest, ALongerDocumentIsReadAsFarAsTheBoxReadsAndCountsAsCut) {
    shell.leave = std::string(kDocumentSize, 'x');
    EXPECT_FALSE(fetch().cut) << "exactly as long as what is read";
    shell.leave += "y";
    const FetchedDocument fetched = fetch();
    EXPECT_EQ(fetched.result, FetchResult::Data);
    EXPECT_TRUE(fetched.cut);
    EXPECT_EQ(std::string(document), std::string(kDocumentSize, 'x'));
}

TEST_F(WgetDocumentsTest, OnlyAFetchThatEndedWellIsRead) {
    shell.leave = std::string(500, 'x');
    const std::map<CommandStatus, FetchResult> expected{
        {CommandStatus::Failed, FetchResult::Nothing},        {CommandStatus::NotStarted, FetchResult::Nothing},
        {CommandStatus::TimedOut, FetchResult::TimedOut},     {CommandStatus::Interrupted, FetchResult::Interrupted},
        {CommandStatus::NotFound, FetchResult::NoWget},
    };
    for (const auto& [status, result] : expected) {
        shell.status = status;
        EXPECT_EQ(fetch().result, result);
        EXPECT_TRUE(folder.names().empty()) << "a cut document is removed unread";
    }
    shell.status = CommandStatus::Finished;
    shell.leave = std::string(kEmptyDocument, 'x');
    EXPECT_EQ(fetch().result, FetchResult::Nothing) << "too little to hold a guide";
}

TEST_F(WgetDocumentsTest, APlantedLinkIsRemovedNotWrittenThrough) {
    folder.write("victim", "keep me\n");
    ASSERT_EQ(::symlink(folder.file("victim").c_str(), folder.file("501_1.trv").c_str()), 0);
    shell.leave = std::string(500, 'x');
    EXPECT_EQ(fetch().result, FetchResult::Data);
    EXPECT_FALSE(shell.linkSeen) << "the link is gone before wget starts";
    EXPECT_EQ(folder.read("victim"), "keep me\n");
}
