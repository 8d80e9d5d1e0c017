// safe_file_test.cpp: a new file's mode without touching the umask, and links to files not made yet.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "safe_file.h"
#include "temp_folder.h"

namespace {

std::atomic<int> umaskCalls{0};

}  // namespace

// Stands in for the C library's umask in this program: the code under test
// is linked in, so each call it makes is counted here. The umask is
// process-wide: a host's other threads would create files under whatever
// value it held for the moment.
extern "C" mode_t umask(mode_t mask) {
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace {

mode_t setUmask(mode_t mask) {
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

mode_t modeOf(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

bool writeThrough(const std::string& path, SafeFile::TempName naming, const char* text, int& error) {
    SafeFile file;
    const bool done = file.open(path.c_str(), naming, 0666) && std::fputs(text, file.file()) >= 0 && file.commit();
    error = file.error();
    return done;
}

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old(setUmask(mask)) {}
    ~UmaskGuard() { setUmask(old); }

private:
    mode_t old;
};

}  // namespace

TEST(SafeFileMode, NewFilesTakeTheModeLessTheUmaskWithoutSettingIt) {
    for (const auto naming : {SafeFile::TempName::Fixed, SafeFile::TempName::Unique}) {
        for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
            TempFolder folder;
            const UmaskGuard guard(mask);
            umaskCalls = 0;
            int error = 0;
            ASSERT_TRUE(writeThrough(folder.file("new.dat"), naming, "x", error)) << std::strerror(error);
            EXPECT_EQ(umaskCalls, 0);
            EXPECT_EQ(modeOf(folder.file("new.dat")), 0666 & ~mask) << "umask " << std::oct << mask;
            EXPECT_EQ(setUmask(mask), mask) << "the umask is as it was";
            EXPECT_EQ(folder.names(), std::vector<std::string>{"new.dat"});
        }
    }
}

TEST(SafeFileLinks, ALinkToAFileNotMadeYetMakesItWhereItPoints) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.file("real").c_str(), 0755), 0);
    // Relative to the link's folder, and a chain of two.
    ASSERT_EQ(::symlink("real/guide.dat", folder.file("lomvi.dat").c_str()), 0);
    ASSERT_EQ(::symlink("lomvi.dat", folder.file("chain.dat").c_str()), 0);
    for (int run = 0; run < 2; ++run) {
        int error = 0;
        ASSERT_TRUE(writeThrough(folder.file(run == 0 ? "lomvi.dat" : "chain.dat"), SafeFile::TempName::Fixed,
                                 run == 0 ? "first" : "second", error))
            << std::strerror(error);
        EXPECT_EQ(folder.read("real/guide.dat"), run == 0 ? "first" : "second");
        struct stat status;
        ASSERT_EQ(::lstat(folder.file("lomvi.dat").c_str(), &status), 0);
        EXPECT_TRUE(S_ISLNK(status.st_mode)) << "the link stays";
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"chain.dat", "lomvi.dat", "real"}));
        EXPECT_EQ(folderNames(folder.file("real")), std::vector<std::string>{"guide.dat"});
    }
    // An absolute link, into a folder that is not there: refused with the
    // reason, as a file in a missing folder is.
    ASSERT_EQ(::symlink(folder.file("gone/guide.dat").c_str(), folder.file("nowhere.dat").c_str()), 0);
    int error = 0;
    EXPECT_FALSE(writeThrough(folder.file("nowhere.dat"), SafeFile::TempName::Fixed, "x", error));
    EXPECT_EQ(error, ENOENT);
    // Links that lead round in a circle.
    ASSERT_EQ(::symlink("b", folder.file("a").c_str()), 0);
    ASSERT_EQ(::symlink("a", folder.file("b").c_str()), 0);
    EXPECT_FALSE(writeThrough(folder.file("a"), SafeFile::TempName::Fixed, "x", error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"a", "b", "chain.dat", "lomvi.dat", "nowhere.dat", "real"}));
}
