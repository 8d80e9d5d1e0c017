// run_seams.h: what a download run needs from its surroundings: a view, the clock, the shell.
#pragma once

#include <cstddef>
#include <ctime>

#include "run_report.h"

// Where the run tells what it is doing. It says nothing of how: each front
// end words the fetches and the report its own way.
class DownloadView {
public:
    virtual void fetchStarted(const FetchStart&) {}
    virtual void fetchEnded(const FetchReport&) {}
    // A whole guide arriving, told at most a few times a second.
    virtual void guideProgress(const GuideProgress&) {}
    virtual void locationEnded(const LocationReport&) {}
    virtual void runEnded(const RunReport&) {}

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

// A streamed command's whole time, in time limits.
inline constexpr int kStreamTimeFactor = 30;

enum class CommandStatus {
    Finished,     // exit status 0
    Failed,       // another exit status, or ended by a signal not ours
    NotFound,     // the shell could not find or run the command (126, 127)
    TimedOut,
    Interrupted,  // the user asked the whole run to stop (a command line's Ctrl-C)
    NotStarted,
};

// Takes a command's standard output as it comes.
class OutputSink {
public:
    // False: no more is wanted; the command is ended (Interrupted is not
    // reported for that: the status is Failed).
    virtual bool output(const char* bytes, std::size_t size) = 0;

protected:
    ~OutputSink() = default;
};

// Runs a shell command line and waits for it.
class CommandRunner {
public:
    virtual CommandStatus run(const char* command) = 0;
    // Runs it with its standard output going to sink as it comes. The time
    // limit counts from the last byte that came, and the whole command
    // may take at most kStreamTimeFactor times it.
    virtual CommandStatus stream(const char* command, OutputSink& sink) = 0;
    // True, once, when the run was asked to stop since the last command
    // (which such a request ends with Interrupted): a reading that runs no
    // command, a local guide file's, asks here between its pieces.
    virtual bool takeInterrupt() { return false; }

protected:
    ~CommandRunner() = default;
};

// The files a run reads, leaves temporary documents in, and locks; and
// those an EPG path must never name (null: none to mind).
struct DownloadPlaces {
    const char* channelList;
    const char* tempDir;
    const char* lockFile;
    const char* settingsFile = nullptr;
    const char* pluginFile = nullptr;
};

// Where the box keeps the plug-in.
inline constexpr char kBoxPluginPath[] = "/var/kestra/plugins/tarvio.so";

// The box's fixed places. The settings file is the front end's to name.
inline constexpr DownloadPlaces kBoxPlaces{"/var/kestra/plugins/tarvio.channels", "/tmp", "/tmp/tarvio.lock",
                                           nullptr, kBoxPluginPath};
