// run_seams.h: what a download run needs from its surroundings: the screen, the clock, the shell.
#pragma once

#include <cstdlib>
#include <ctime>

// Where the run shows its progress and outcome.
class DownloadView {
public:
    virtual void setInfoText(const char* text) = 0;
    virtual void hideButtons() = 0;

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

// Runs a shell command line and waits for it.
class CommandRunner {
public:
    virtual int run(const char* command) = 0;

protected:
    ~CommandRunner() = default;
};

class ShellRunner final : public CommandRunner {
public:
    int run(const char* command) override { return std::system(command); }
};

// The files a run reads and leaves temporary documents in.
struct DownloadPlaces {
    const char* channelList;
    const char* tempDir;
};

// The box's fixed places.
inline constexpr DownloadPlaces kBoxPlaces{"/var/kestra/plugins/tarvio.channels", "/tmp"};
