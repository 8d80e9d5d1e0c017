// file_open_test.cpp: files opened close-on-exec, above descriptor 2, and regular files without blocking.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_open.h"
#include "temp_folder.h"

namespace {

bool closeOnExec(int fd) {
    return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

// Runs body in a child process under an alarm, so that an open that blocks
// fails the test instead of hanging it; the child's exit status is body's.
// The alarm only catches a wait that never ends: every open here either
// returns at once or blocks for good.
int inChild(int (*body)(const std::string&), const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(30);
        ::_exit(body(path));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// The errno of openRegularDescriptor, 0 when it opened.
int regularOpenError(const std::string& path) {
    const int fd = openRegularDescriptor(path.c_str());
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    return error;
}

}  // namespace

TEST(OpenRegular, OpensARegularFileThatBlocksAsUsual) {
    TempFolder folder;
    folder.write("list", "y 1,One\n");
    FdHandle fd(openRegularDescriptor(folder.file("list").c_str()));
    ASSERT_TRUE(fd) << std::strerror(errno);
    EXPECT_GT(fd.get(), 2);
    EXPECT_TRUE(closeOnExec(fd.get()));
    EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0);
    FileHandle file = openRegularFile(folder.file("list").c_str());
    ASSERT_TRUE(file);
    char line[16] = {};
    EXPECT_STREQ(std::fgets(line, sizeof line, file.get()), "y 1,One\n");
}

TEST(OpenRegular, RefusesAtOnceWhatIsNoRegularFile) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(folder.file("dir").c_str(), 0755), 0);
    // A FIFO without a writer would hold a plain open for good; /dev/zero
    // would be read for ever.
    EXPECT_EQ(inChild(regularOpenError, folder.file("fifo")), EINVAL);
    EXPECT_EQ(inChild(regularOpenError, "/dev/zero"), EINVAL);
    EXPECT_EQ(regularOpenError(folder.file("dir")), EISDIR);
    EXPECT_EQ(regularOpenError(folder.file("missing")), ENOENT);
    EXPECT_EQ(regularOpenError(folder.file("missing/list")), ENOENT);
    errno = 0;
    EXPECT_FALSE(openRegularFile(folder.file("fifo").c_str()));
    EXPECT_EQ(errno, EINVAL);
}

TEST(FillStandard, PutsDevNullOnTheClosedOnesOnly) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 1 stays as it is; 0 and 2 are closed.
        struct stat kept;
        if (::fstat(1, &kept) != 0)
            ::_exit(10);
        ::close(0);
        ::close(2);
        if (!fillStandardDescriptors())
            ::_exit(11);
        struct stat null, status;
        if (::stat("/dev/null", &null) != 0)
            ::_exit(12);
        for (int fd : {0, 2}) {
            // Inherited by the commands the front end starts.
            if (::fstat(fd, &status) != 0 || status.st_rdev != null.st_rdev || !S_ISCHR(status.st_mode) ||
                closeOnExec(fd))
                ::_exit(13 + fd);
        }
        if (::fstat(1, &status) != 0 || status.st_ino != kept.st_ino || status.st_dev != kept.st_dev)
            ::_exit(16);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
