// epg_path_check_test.cpp: EPG paths that the clean-up would delete, or that name the user's own files.
#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "epg_path_check.h"
#include "run_seams.h"
#include "temp_folder.h"

namespace {

class EpgPathCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(box.path().empty());
        for (const char* folder : {"tmp", "plugins", "usb"})
            ASSERT_EQ(mkdir(box.file(folder).c_str(), 0755), 0);
        box.write("plugins/tarvio.channels", "y 1,One\n");
        box.write("plugins/tarvio.conf", "# Tarvio config file - DO NOT EDIT!\n/mnt/usb/lomvi.dat\n7\n");
        box.write("plugins/tarvio.so", "plug-in");
    }

    EpgPathClash check(const std::string& path) {
        const std::string list = box.file("plugins/tarvio.channels"), temp = box.file("tmp"),
                          settings = box.file("plugins/tarvio.conf"), plugin = box.file("plugins/tarvio.so");
        DownloadPlaces places{list.c_str(), temp.c_str(), "/nonexistent/tarvio.lock", settings.c_str(),
                              plugin.c_str()};
        return checkEpgPath(path.c_str(), places);
    }

    TempFolder box;
};

}  // namespace

TEST(TempGlob, MatchesAsTheShellWould) {
    EXPECT_TRUE(matchesTempGlob("x.trv"));
    EXPECT_TRUE(matchesTempGlob("501_1.trv"));
    EXPECT_TRUE(matchesTempGlob("a.b.trv"));
    EXPECT_FALSE(matchesTempGlob(".x.trv"));
    EXPECT_FALSE(matchesTempGlob(".trv"));
    EXPECT_FALSE(matchesTempGlob("x.trv.bak"));
    EXPECT_FALSE(matchesTempGlob("x.TRV"));
    EXPECT_FALSE(matchesTempGlob("xtrv"));
    EXPECT_FALSE(matchesTempGlob(""));
}

TEST_F(EpgPathCheck, WhatTheCleanUpDeletes) {
    // Made or not, by any spelling of the folder.
    box.write("tmp/old.trv", "guide");
    EXPECT_EQ(check(box.file("tmp/old.trv")), EpgPathClash::CleanUp);
    EXPECT_EQ(check(box.file("tmp/x.trv")), EpgPathClash::CleanUp);
    EXPECT_EQ(check(box.file("usb/../tmp/x.trv")), EpgPathClash::CleanUp);
    EXPECT_EQ(check(box.file("tmp/./x.trv")), EpgPathClash::CleanUp);
    ASSERT_EQ(symlink("tmp", box.file("scratch").c_str()), 0);
    EXPECT_EQ(check(box.file("scratch/x.trv")), EpgPathClash::CleanUp);
    // A folder the glob matches goes with all that is in it.
    ASSERT_EQ(mkdir(box.file("tmp/keep.trv").c_str(), 0755), 0);
    EXPECT_EQ(check(box.file("tmp/keep.trv/lomvi.dat")), EpgPathClash::CleanUp);
    // A link in the folder goes, and so does a file a link elsewhere leads to.
    ASSERT_EQ(symlink("../usb/lomvi.dat", box.file("tmp/link.trv").c_str()), 0);
    EXPECT_EQ(check(box.file("tmp/link.trv")), EpgPathClash::CleanUp);
    ASSERT_EQ(symlink("../tmp/later.trv", box.file("usb/lomvi.dat").c_str()), 0);
    EXPECT_EQ(check(box.file("usb/lomvi.dat")), EpgPathClash::CleanUp);

    // What the glob leaves.
    EXPECT_EQ(check(box.file("tmp/x.trv.bak")), EpgPathClash::None);
    EXPECT_EQ(check(box.file("tmp/.x.trv")), EpgPathClash::None);
    EXPECT_EQ(check(box.file("tmp/lomvi.dat")), EpgPathClash::None);
    EXPECT_EQ(check(box.file("usb/x.trv")), EpgPathClash::None);
    ASSERT_EQ(mkdir(box.file("tmp/sub").c_str(), 0755), 0);
    EXPECT_EQ(check(box.file("tmp/sub/x.trv")), EpgPathClash::None);
}

TEST_F(EpgPathCheck, TheUsersOwnFilesByAnyName) {
    EXPECT_EQ(check(box.file("plugins/tarvio.channels")), EpgPathClash::ChannelList);
    EXPECT_EQ(check(box.file("usb/../plugins/tarvio.channels")), EpgPathClash::ChannelList);
    EXPECT_EQ(check(box.file("plugins/tarvio.conf")), EpgPathClash::SettingsFile);
    EXPECT_EQ(check(box.file("plugins/tarvio.so")), EpgPathClash::PlugIn);
    ASSERT_EQ(symlink("../plugins/tarvio.conf", box.file("usb/conf.dat").c_str()), 0);
    EXPECT_EQ(check(box.file("usb/conf.dat")), EpgPathClash::SettingsFile);
    ASSERT_EQ(link(box.file("plugins/tarvio.channels").c_str(), box.file("usb/hard.dat").c_str()), 0);
    EXPECT_EQ(check(box.file("usb/hard.dat")), EpgPathClash::ChannelList);

    // A copy is another file; a path not made yet is no file at all.
    box.write("usb/copy.dat", "y 1,One\n");
    EXPECT_EQ(check(box.file("usb/copy.dat")), EpgPathClash::None);
    EXPECT_EQ(check(box.file("usb/lomvi.dat")), EpgPathClash::None);
    EXPECT_EQ(check(box.file("nowhere/lomvi.dat")), EpgPathClash::None);
    EXPECT_EQ(check(""), EpgPathClash::None);
    // Files a front end does not name are not minded.
    const std::string temp = box.file("tmp");
    const DownloadPlaces places{"/nonexistent/list", temp.c_str(), "/nonexistent/lock"};
    EXPECT_EQ(checkEpgPath(box.file("plugins/tarvio.conf").c_str(), places), EpgPathClash::None);
}
