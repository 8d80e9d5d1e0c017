// settings_file_test.cpp: loading and saving the settings file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <cstring>
#include <string>
#include <vector>

#include "settings_file.h"
#include "temp_folder.h"

namespace {

const char kHeader[] = "# Tarvio config file - DO NOT EDIT!\n";
const std::vector<std::string> kOnlyConf{"tarvio.conf"};

// Loads content as the settings file over the dialog's defaults.
Settings loadFrom(const std::string& content) {
    TempFolder folder;
    writeFile(folder.file("tarvio.conf"), content);
    Settings settings;
    loadSettings(folder.file("tarvio.conf").c_str(), settings);
    return settings;
}

Settings settingsOf(const char* epgFilename, int daysToDownload) {
    Settings settings;
    setEpgFilename(settings, epgFilename);
    settings.daysToDownload = daysToDownload;
    return settings;
}

TEST(SettingsLoad, MissingFileKeepsDefaults) {
    TempFolder folder;
    Settings settings;
    loadSettings(folder.file("tarvio.conf").c_str(), settings);
    EXPECT_STREQ("/mnt/usb/lomvi.dat", settings.epgFilename);
    EXPECT_EQ(settings.daysToDownload, 7);
}

TEST(SettingsLoad, OnlyTheFirstCharacterOfTheDaysLineCounts) {
    const struct {
        const char* line;
        int days;
    } cases[] = {{"7", 7}, {"10", 1}, {"9", 9}, {"8", 8}, {"0", 0}, {"", 0}, {"x", 0}, {"-3", 0}};
    for (const auto& c : cases) {
        const Settings s = loadFrom(std::string(kHeader) + "/hdd/epg.dat\n" + c.line + "\n");
        EXPECT_EQ(s.daysToDownload, c.days) << "days line \"" << c.line << "\"";
        EXPECT_STREQ("/hdd/epg.dat", s.epgFilename);
    }
}

TEST(SettingsLoad, CrLfLineEndsAreCut) {
    const Settings s = loadFrom("# Tarvio config file - DO NOT EDIT!\r\n/hdd/epg.dat\r\n3\r\n");
    EXPECT_STREQ("/hdd/epg.dat", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 3);

    // A lone CR ends the path too.
    EXPECT_STREQ("/a", loadFrom(std::string(kHeader) + "/a\rtail\n2\n").epgFilename);
}

TEST(SettingsLoad, FileWithoutFinalLineBreak) {
    const Settings s = loadFrom(std::string(kHeader) + "/hdd/epg.dat\n5");
    EXPECT_STREQ("/hdd/epg.dat", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 5);
}

TEST(SettingsLoad, OverlongLinesRunOnIntoTheNextRead) {
    // A first line of 70 characters: the second read takes its last 7 as the
    // path, the third the real path line, whose "/" gives 0 days.
    const std::string longHeader = std::string(63, '#') + "abcdefg\n";
    Settings s = loadFrom(longHeader + "/hdd/epg.dat\n3\n");
    EXPECT_STREQ("abcdefg", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 0);

    // A path of 70 characters: 63 of them fit, the days come from the 64th.
    const std::string path = "/" + std::string(62, 'p') + "4" + "qrstuv";
    ASSERT_EQ(path.size(), 70u);
    s = loadFrom(std::string(kHeader) + path + "\n2\n");
    EXPECT_EQ(s.epgFilename, path.substr(0, 63));
    EXPECT_EQ(s.daysToDownload, 4);
}

TEST(SettingsLoad, ShortFiles) {
    // Two lines: the scratch buffer still holds the comment line, whose "#"
    // gives 0 days.
    Settings s = loadFrom(std::string(kHeader) + "/hdd/epg.dat\n");
    EXPECT_STREQ("/hdd/epg.dat", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 0);

    // One line: the path keeps its default, the days come from line 1.
    s = loadFrom(kHeader);
    EXPECT_STREQ("/mnt/usb/lomvi.dat", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 0);
    s = loadFrom("5 is not a comment\n");
    EXPECT_EQ(s.daysToDownload, 5);

    // Empty: nothing to take the days from, the defaults stay.
    s = loadFrom("");
    EXPECT_STREQ("/mnt/usb/lomvi.dat", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 7);

    // An empty path line is an empty path.
    s = loadFrom(std::string(kHeader) + "\n6\n");
    EXPECT_STREQ("", s.epgFilename);
    EXPECT_EQ(s.daysToDownload, 6);
}

TEST(SettingsLoad, UnreadableFileKeepsDefaults) {
    // A folder opens for reading but every read fails.
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.file("tarvio.conf").c_str(), 0755), 0);
    Settings settings;
    loadSettings(folder.file("tarvio.conf").c_str(), settings);
    EXPECT_STREQ("/mnt/usb/lomvi.dat", settings.epgFilename);
    EXPECT_EQ(settings.daysToDownload, 7);
}

TEST(SettingsLoad, AFifoOrADeviceKeepsDefaultsAtOnce) {
    // A FIFO without a writer froze the dialog as it opened; the alarm ends
    // the test should it wait again.
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.file("tarvio.conf").c_str(), 0644), 0);
    for (const std::string& path : {folder.file("tarvio.conf"), std::string("/dev/zero")}) {
        Settings settings;
        setEpgFilename(settings, "/hdd/held.dat");
        settings.daysToDownload = 3;
        alarm(60);
        loadSettings(path.c_str(), settings);
        alarm(0);
        EXPECT_STREQ("/hdd/held.dat", settings.epgFilename) << path;
        EXPECT_EQ(settings.daysToDownload, 3) << path;
    }
}

TEST(SettingsSave, WritesTheThreeLinesAndLoadsThemBack) {
    TempFolder folder;
    const std::string conf = folder.file("tarvio.conf");
    ASSERT_TRUE(saveSettings(conf.c_str(), settingsOf("/hdd/guide/epg.dat", 3)));
    EXPECT_EQ(readFile(conf), "# Tarvio config file - DO NOT EDIT!\n/hdd/guide/epg.dat\n3\n");
    EXPECT_EQ(folderNames(folder.path()), kOnlyConf);

    struct stat info;
    ASSERT_EQ(stat(conf.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    Settings settings;
    loadSettings(conf.c_str(), settings);
    EXPECT_STREQ("/hdd/guide/epg.dat", settings.epgFilename);
    EXPECT_EQ(settings.daysToDownload, 3);

    // Zero days and an empty path are stored as they are.
    ASSERT_TRUE(saveSettings(conf.c_str(), settingsOf("", 0)));
    EXPECT_EQ(readFile(conf), "# Tarvio config file - DO NOT EDIT!\n\n0\n");
}

TEST(SettingsSave, ReplacesAnOlderFileCompletely) {
    TempFolder folder;
    const std::string conf = folder.file("tarvio.conf");
    writeFile(conf, std::string(kHeader) + "/a/much/longer/path/than/the/new/one/epg.dat\n7\n" +
                        std::string(200, 'x'));
    ASSERT_TRUE(saveSettings(conf.c_str(), settingsOf("/b", 2)));
    EXPECT_EQ(readFile(conf), "# Tarvio config file - DO NOT EDIT!\n/b\n2\n");
    EXPECT_EQ(folderNames(folder.path()), kOnlyConf);
}

TEST(SettingsSave, FailureLeavesTheOldFileAndNoLeftovers) {
    TempFolder folder;

    // The folder is missing: a file stands where it should be.
    writeFile(folder.file("plugins"), "not a folder");
    EXPECT_FALSE(saveSettings(folder.file("plugins/tarvio.conf").c_str(), settingsOf("/b", 2)));
    EXPECT_EQ(readFile(folder.file("plugins")), "not a folder");

    // The new file is written but cannot take the old name's place.
    ASSERT_EQ(mkdir(folder.file("conf").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder.file("conf/tarvio.conf").c_str(), 0755), 0);
    writeFile(folder.file("conf/tarvio.conf/keep"), "old");
    EXPECT_FALSE(saveSettings(folder.file("conf/tarvio.conf").c_str(), settingsOf("/b", 2)));
    EXPECT_EQ(folderNames(folder.file("conf")), kOnlyConf);
    EXPECT_EQ(readFile(folder.file("conf/tarvio.conf/keep")), "old");
}

TEST(SettingsSave, FailedWriteLeavesTheOldFileWhole) {
    TempFolder folder;
    const std::string conf = folder.file("tarvio.conf");
    const std::string old = std::string(kHeader) + "/hdd/old.dat\n5\n";
    writeFile(conf, old);

    // A child process whose files may grow to 16 bytes only: the new file
    // cannot be written in full.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const rlimit limit = {16, 16};
        std::signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(2);
        _exit(saveSettings(conf.c_str(), settingsOf("/hdd/new/epg.dat", 3)) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save reported success, 2: no file size limit";
    EXPECT_EQ(readFile(conf), old);
    EXPECT_EQ(folderNames(folder.path()), kOnlyConf);
}

}  // namespace
