// file_handle.h: owners of an open FILE* and of a file descriptor, closed when they go.
#pragma once

#include <cstdio>
#include <memory>
#include <unistd.h>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

class FdHandle {
public:
    explicit FdHandle(int fd = -1) : fd(fd) {}
    ~FdHandle() { reset(); }
    FdHandle(FdHandle&& other) noexcept : fd(other.release()) {}
    FdHandle& operator=(FdHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    FdHandle(const FdHandle&) = delete;
    FdHandle& operator=(const FdHandle&) = delete;

    int get() const { return fd; }
    explicit operator bool() const { return fd >= 0; }
    int release() {
        const int owned = fd;
        fd = -1;
        return owned;
    }
    void reset(int newFd = -1) {
        if (fd >= 0)
            ::close(fd);
        fd = newFd;
    }

private:
    int fd;
};
