// channel_pass.cpp: what a run and a probe do before their channels.
#include "channel_pass.h"

#include <cerrno>
#include <cstdio>

#include "file_open.h"

namespace {

constexpr std::size_t kMostChannels = 10000;

}  // namespace

Failure ChannelPass::begin(const DownloadPlaces& places, const Clock& clock) {
    lock = std::make_unique<RunLock>(places.lockFile);
    if (lock->state() == RunLock::State::Busy)
        return Failure{FailureKind::Busy, places.lockFile, 0};
    if (lock->state() == RunLock::State::Failed)
        return Failure{FailureKind::LockFailed, places.lockFile, lock->error()};

    // Close-on-exec, so that the fetch commands don't inherit the list; a
    // FIFO or a device is refused at once (EINVAL, EISDIR), never waited for.
    FileHandle list = openRegularFile(places.channelList);
    if (!list) {
        // A FIFO or a folder is there but can't be read as a list.
        const bool there = errno == EINVAL || errno == EISDIR;
        return Failure{there ? FailureKind::ChannelListUnreadable : FailureKind::ChannelListMissing,
                       places.channelList, errno};
    }
    ChannelEntry channel;
    errno = 0;
    while (nextChannel(list.get(), channel)) {
        // No box has this many channels: a file this long is no list, and
        // reading on would only fill the memory.
        if (enabled.size() == kMostChannels)
            return Failure{FailureKind::ChannelListUnreadable, places.channelList, EFBIG};
        enabled.push_back(channel);
    }
    // A list that can't be read is not a list without channels.
    if (std::ferror(list.get()))
        return Failure{FailureKind::ChannelListUnreadable, places.channelList, errno != 0 ? errno : EIO};
    if (enabled.empty())
        return Failure{FailureKind::NoChannel, places.channelList, 0};

    const std::time_t now = clock.now();
    std::tm local{};
    localtime_r(&now, &local);
    date = dateOf(local);
    todayMidnight = localMidnight(local);
    return Failure{};
}
