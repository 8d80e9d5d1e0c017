// epg_output_test.cpp: the EPG file is replaced in one step or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "epg_output.h"
#include "temp_folder.h"

namespace {

const std::vector<std::string> kOnlyEpg{"lomvi.dat"};

}  // namespace

TEST(EpgOutput, CommitReplacesTheOldFile) {
    TempFolder folder;
    folder.write("lomvi.dat", "old guide\n");
    chmod(folder.file("lomvi.dat").c_str(), 0640);
    {
        EpgOutput output;
        ASSERT_TRUE(output.open(folder.file("lomvi.dat").c_str()));
        // The fetch commands started during the run must not inherit it.
        EXPECT_TRUE(fcntl(fileno(output.file()), F_GETFD) & FD_CLOEXEC);
        std::fputs("C 1 One\nc\n", output.file());
        // Until the commit the old file is what readers see.
        EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
        ASSERT_TRUE(output.commit());
    }
    EXPECT_EQ(folder.read("lomvi.dat"), "C 1 One\nc\n");
    EXPECT_EQ(folder.names(), kOnlyEpg);
    struct stat status;
    ASSERT_EQ(stat(folder.file("lomvi.dat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(EpgOutput, DiscardOrDestructionKeepsTheOldFile) {
    TempFolder folder;
    folder.write("lomvi.dat", "old guide\n");
    {
        EpgOutput output;
        ASSERT_TRUE(output.open(folder.file("lomvi.dat").c_str()));
        std::fputs("half written", output.file());
        output.discard();
        EXPECT_EQ(output.file(), nullptr);
        EXPECT_FALSE(output.commit());
    }
    {
        EpgOutput output;
        ASSERT_TRUE(output.open(folder.file("lomvi.dat").c_str()));
        std::fputs("half written", output.file());
    }
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names(), kOnlyEpg);
}

TEST(EpgOutput, CreatesAMissingFile) {
    TempFolder folder;
    EpgOutput output;
    ASSERT_TRUE(output.open(folder.file("lomvi.dat").c_str()));
    ASSERT_TRUE(output.commit());
    EXPECT_EQ(folder.read("lomvi.dat"), "");
    EXPECT_EQ(folder.names(), kOnlyEpg);
}

TEST(EpgOutput, RefusesPathsItCannotReplace) {
    TempFolder folder;
    mkdir(folder.file("dir").c_str(), 0755);
    mkfifo(folder.file("fifo").c_str(), 0644);
    EpgOutput output;
    EXPECT_FALSE(output.open(""));
    EXPECT_FALSE(output.open(folder.file("missing/lomvi.dat").c_str()));
    EXPECT_FALSE(output.open(folder.file("dir").c_str()));
    EXPECT_FALSE(output.open(folder.file("new/").c_str()));
    EXPECT_FALSE(output.open(folder.file("fifo").c_str()));
    EXPECT_EQ(output.file(), nullptr);
    std::vector<std::string> names = folder.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir", "fifo"}));
}

TEST(EpgOutput, RefusesAFolderWithoutWritePermission) {
    TempFolder folder;
    folder.write("lomvi.dat", "old guide\n");
    chmod(folder.path().c_str(), 0755);
    chmod(folder.file("lomvi.dat").c_str(), 0666);
    const std::string path = folder.file("lomvi.dat");
    // Root writes anywhere: root tries as nobody, anyone else in a folder
    // made read-only; either way in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(2);
        } else if (chmod(folder.path().c_str(), 0555) != 0) {
            _exit(2);
        }
        EpgOutput output;
        _exit(output.open(path.c_str()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names(), kOnlyEpg);
}

TEST(EpgOutput, WritesThroughALink) {
    TempFolder folder;
    mkdir(folder.file("real").c_str(), 0755);
    folder.write("real/lomvi.dat", "old guide\n");
    ASSERT_EQ(symlink("real/lomvi.dat", folder.file("lomvi.dat").c_str()), 0);
    EpgOutput output;
    ASSERT_TRUE(output.open(folder.file("lomvi.dat").c_str()));
    std::fputs("new guide\n", output.file());
    ASSERT_TRUE(output.commit());
    struct stat status;
    ASSERT_EQ(lstat(folder.file("lomvi.dat").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(folder.read("real/lomvi.dat"), "new guide\n");
}

TEST(EpgOutput, FailedWriteKeepsTheOldFile) {
    TempFolder folder;
    folder.write("lomvi.dat", "old guide\n");
    const std::string path = folder.file("lomvi.dat");
    // A full storage device, played by a file size limit in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        EpgOutput output;
        if (!output.open(path.c_str()))
            _exit(2);
        const std::string block(1000, 'x');
        for (int i = 0; i < 10; ++i)
            std::fputs(block.c_str(), output.file());
        _exit(output.commit() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.read("lomvi.dat"), "old guide\n");
    EXPECT_EQ(folder.names(), kOnlyEpg);
}
