// fetch_command_test.cpp: the temporary file names and the command lines the shell runs.
#include <gtest/gtest.h>

#include <string>

#include "fetch_command.h"

TEST(FetchCommand, BuildsTheWgetLine) {
    char command[512];
    ASSERT_TRUE(buildFetchCommand(command, sizeof command, "/tmp/501_1.trv", 501, GuideDate{7, 3, 108}));
    EXPECT_EQ(std::string(command),
              std::string("wget -q -O /tmp/501_1.trv http://") + guideHost() +
                  "/static/epg/timeline/export/canale_export_501_20080307.xml 2> /dev/null");
}

TEST(FetchCommand, TempPathsAndCleanup) {
    char path[64];
    ASSERT_TRUE(buildTempPath(path, sizeof path, "/tmp", 501, 3));
    EXPECT_STREQ(path, "/tmp/501_3.trv");
    ASSERT_TRUE(buildTempPath(path, sizeof path, "/tmp", -2147483647 - 1, 9));
    EXPECT_STREQ(path, "/tmp/-2147483648_9.trv");

    char command[64];
    ASSERT_TRUE(buildCleanupCommand(command, sizeof command, "/tmp"));
    EXPECT_STREQ(command, "rm -rf /tmp/*.trv");
}

TEST(FetchCommand, RefusesWhatDoesNotFit) {
    char path[16];
    EXPECT_FALSE(buildTempPath(path, sizeof path, "/tmp", 123456789, 1));
    char command[40];
    EXPECT_FALSE(buildFetchCommand(command, sizeof command, "/tmp/1_1.trv", 1, GuideDate{1, 1, 108}));
    EXPECT_FALSE(buildCleanupCommand(command, 10, "/tmp"));
}
