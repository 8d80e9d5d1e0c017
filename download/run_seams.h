// run_seams.h: what a download run needs from its surroundings: the screen, the clock, the shell.
#pragma once

#include <ctime>

#include "calendar.h"
#include "channel_list.h"

// How one fetch of a channel's day ended.
enum class FetchResult {
    Data,      // a document worth converting
    Nothing,   // no document, or too short to hold a guide
    TimedOut,  // ended after the time limit; its partial document is dropped
    Skipped,   // not started: the service stopped answering earlier in the run
};

struct FetchReport {
    int ordinal;  // the channel's place among the enabled ones, from 1
    int total;
    const ChannelEntry& channel;
    GuideDate date;
    FetchResult result;
};

// Where the run shows its progress and outcome.
class DownloadView {
public:
    virtual void setInfoText(const char* text) = 0;
    virtual void hideButtons() = 0;
    // Told of every fetch as it ends. The dialog's progress text says
    // enough on the TV; a command line reports each one.
    virtual void fetchEnded(const FetchReport&) {}

protected:
    ~DownloadView() = default;
};

// Today's date and time, taken once at the start of a run.
class Clock {
public:
    virtual std::time_t now() const = 0;

protected:
    ~Clock() = default;
};

class SystemClock final : public Clock {
public:
    std::time_t now() const override { return std::time(nullptr); }
};

enum class CommandStatus {
    Finished,
    TimedOut,
    Interrupted,  // the user asked the whole run to stop (a command line's Ctrl-C)
    NotStarted,
};

// Runs a shell command line and waits for it.
class CommandRunner {
public:
    virtual CommandStatus run(const char* command) = 0;

protected:
    ~CommandRunner() = default;
};

// The files a run reads, leaves temporary documents in, and locks.
struct DownloadPlaces {
    const char* channelList;
    const char* tempDir;
    const char* lockFile;
};

// The box's fixed places.
inline constexpr DownloadPlaces kBoxPlaces{"/var/kestra/plugins/tarvio.channels", "/tmp",
                                           "/tmp/tarvio.lock"};
