// command_runner_test.cpp: a command is waited for no longer than it runs, and one that outlives its time limit is ended with all it started.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "command_runner.h"
#include "temp_folder.h"

namespace {

// Processes of the group that still run. Ended ones that init has not yet
// reaped (state Z) are dead and hold nothing.
int runningInGroup(int group) {
    int running = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        char state = 0;
        int parent = 0, processGroup = 0;
        if (std::sscanf(line.c_str() + line.rfind(')') + 1, " %c %d %d", &state, &parent, &processGroup) == 3 &&
            processGroup == group && state != 'Z')
            ++running;
    }
    if (proc)
        closedir(proc);
    return running;
}

using Milliseconds = std::chrono::duration<double, std::milli>;

struct TimedRun {
    CommandStatus status;
    Milliseconds took;
};

TimedRun timedRun(TimedShellRunner& runner, const std::string& command) {
    const auto started = std::chrono::steady_clock::now();
    const CommandStatus status = runner.run(command.c_str());
    return {status, std::chrono::steady_clock::now() - started};
}

int openDescriptors() {
    return static_cast<int>(folderNames("/proc/self/fd").size());
}

// Makes this process the one that orphans of its children are given to,
// as init is, and leaves them unreaped: the host as PID 1 of a container,
// or a machine whose init reaps slowly. Reaps them when it goes.
class SlowReaper {
public:
    SlowReaper() : active(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0) {}
    ~SlowReaper() {
        if (active)
            prctl(PR_SET_CHILD_SUBREAPER, 0);
        reapOrphans();
    }
    SlowReaper(const SlowReaper&) = delete;
    SlowReaper& operator=(const SlowReaper&) = delete;

    bool works() const { return active; }

    // The orphans handed to this process so far; they have all been killed.
    int reapOrphans() {
        int reaped = 0;
        while (waitpid(-1, nullptr, 0) > 0)
            ++reaped;
        return reaped;
    }

private:
    bool active;
};

// Calls TimedShellRunner::interrupt() from a SIGALRM handler after the
// given time, as tarvio-fetch does on Ctrl-C.
class InterruptLater {
public:
    explicit InterruptLater(long milliseconds) {
        struct sigaction action {};
        action.sa_handler = [](int) { TimedShellRunner::interrupt(); };
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &previous);
        itimerval once{};
        once.it_value.tv_sec = milliseconds / 1000;
        once.it_value.tv_usec = milliseconds % 1000 * 1000;
        setitimer(ITIMER_REAL, &once, nullptr);
    }
    ~InterruptLater() {
        const itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &previous, nullptr);
    }
    InterruptLater(const InterruptLater&) = delete;
    InterruptLater& operator=(const InterruptLater&) = delete;

private:
    struct sigaction previous {};
};

}  // namespace

TEST(TimedShellRunner, EndsTheWholeProcessGroupAfterTheLimit) {
    TempFolder folder;
    const std::string pidFile = folder.file("pid");
    TimedShellRunner runner(1);

    EXPECT_EQ(runner.run(("echo done > " + folder.file("quick")).c_str()), CommandStatus::Finished);
    EXPECT_EQ(folder.read("quick"), "done\n");

    // The shell's child ignores SIGTERM, as a stuck program may: only
    // SIGKILL ends it.
    const std::string stubborn = "echo $$ > " + pidFile + "; (trap '' TERM; exec sleep 30) & sleep 30";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.run(stubborn.c_str()), CommandStatus::TimedOut);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(10));

    EXPECT_EQ(runningInGroup(std::stoi(folder.read("pid"))), 0) << "a process of the fetch outlived it";
}

// The run's commands are quick ones on a local network: a wait that
// looked at them every 20 ms cost each of them 10 to 20 ms.
TEST(TimedShellRunner, WaitsForAQuickCommandNoLongerThanItRuns) {
    TimedShellRunner runner(5);
    std::vector<double> took;
    for (int i = 0; i < 9; ++i) {
        const TimedRun run = timedRun(runner, "exit 0");
        EXPECT_EQ(run.status, CommandStatus::Finished);
        took.push_back(run.took.count());
    }
    std::nth_element(took.begin(), took.begin() + 4, took.end());
    EXPECT_LT(took[4], 10.0) << "median milliseconds of a command that ends at once";
}

TEST(TimedShellRunner, EndsACommandThatIgnoresSigtermAtTheLimitPlusTheGraceTime) {
    TempFolder folder;
    TimedShellRunner runner(1);
    const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; trap '' TERM; sleep 30");
    EXPECT_EQ(run.status, CommandStatus::TimedOut);
    // One second's limit and one second for SIGTERM to work, then SIGKILL.
    EXPECT_GE(run.took.count(), 1950.0);
    EXPECT_LT(run.took.count(), 2700.0);
    EXPECT_EQ(runningInGroup(std::stoi(folder.read("pid"))), 0);
}

// A killed wget whose new parent does not reap it stays a zombie; it holds
// nothing, and the run does not wait for it to go.
TEST(TimedShellRunner, AnUnreapedZombieOfTheGroupDoesNotDelayTheEnd) {
    SlowReaper reaper;
    if (!reaper.works())
        GTEST_SKIP() << "no PR_SET_CHILD_SUBREAPER here";
    TimedShellRunner runner(1);
    const TimedRun run = timedRun(runner, "sleep 30 & sleep 30");
    EXPECT_EQ(run.status, CommandStatus::TimedOut);
    EXPECT_LT(run.took.count(), 1800.0);
    EXPECT_GE(reaper.reapOrphans(), 1) << "the killed sleeps should have been left to this process";
}

TEST(TimedShellRunner, WaitsForWhatTheShellLeftRunning) {
    TempFolder folder;
    TimedShellRunner runner(1);
    const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; sleep 30 &");
    EXPECT_EQ(run.status, CommandStatus::TimedOut);
    EXPECT_GE(run.took.count(), 950.0);
    EXPECT_EQ(runningInGroup(std::stoi(folder.read("pid"))), 0);
}

TEST(TimedShellRunner, AnInterruptFromASignalHandlerEndsTheCommandAtOnce) {
    TempFolder folder;
    // No limit: only the interrupt ends it.
    TimedShellRunner runner(0);
    {
        InterruptLater interrupt(200);
        const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; exec sleep 30");
        EXPECT_EQ(run.status, CommandStatus::Interrupted);
        EXPECT_LT(run.took.count(), 1500.0);
    }
    EXPECT_EQ(runningInGroup(std::stoi(folder.read("pid"))), 0);

    // The interrupt was for that command only.
    EXPECT_EQ(runner.run(("echo after > " + folder.file("after")).c_str()), CommandStatus::Finished);
    EXPECT_EQ(folder.read("after"), "after\n");

    // One that comes between commands refuses the next, which never starts.
    TimedShellRunner::interrupt();
    EXPECT_EQ(runner.run(("echo refused > " + folder.file("refused")).c_str()), CommandStatus::Interrupted);
    EXPECT_EQ(folderNames(folder.path()), (std::vector<std::string>{"after", "pid"}));
}

TEST(TimedShellRunner, LeavesTheHostsDescriptorsAsTheyWere) {
    TempFolder folder;
    TimedShellRunner runner(1);
    ASSERT_EQ(runner.run("exit 0"), CommandStatus::Finished);

    // A descriptor the host lets its commands inherit reaches them as it is.
    const int inherited = ::open(folder.file("inherited").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(inherited, 0);
    const int before = openDescriptors();
    const std::string writeToIt = "echo through >&" + std::to_string(inherited);
    EXPECT_EQ(runner.run(writeToIt.c_str()), CommandStatus::Finished);
    EXPECT_EQ(runner.run("sleep 30"), CommandStatus::TimedOut);
    EXPECT_EQ(openDescriptors(), before) << "a run left a descriptor open";
    ::close(inherited);
    EXPECT_EQ(folder.read("inherited"), "through\n");
}

TEST(TimedShellRunner, TellsHowTheCommandEnded) {
    TimedShellRunner shell(10);
    EXPECT_EQ(shell.run("exit 0"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("exit 4"), CommandStatus::Failed);
    EXPECT_EQ(shell.run("tarvio-no-such-command 2> /dev/null"), CommandStatus::NotFound);
    // Ended by a stop signal the runner did not send: someone wants the run to stop.
    EXPECT_EQ(shell.run("kill -TERM $$"), CommandStatus::Interrupted);
    EXPECT_EQ(shell.run("kill -KILL $$"), CommandStatus::Failed);
}

TEST(TimedShellRunner, StopsAWriterAtTheFileSizeLimit) {
    TempFolder folder;
    const std::string file = folder.file("document");
    rlimit before{}, after{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    TimedShellRunner shell(10, 65536);
    // The writer is a child of the shell, as wget is.
    const std::string command = "exec 2> /dev/null; head -c 1000000 /dev/zero > " + file + "; exit $?";
    EXPECT_EQ(shell.run(command.c_str()), CommandStatus::Failed);
    EXPECT_EQ(readFile(file).size(), 65536u);
    // The limit is the command's alone: ours is as it was.
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &after), 0);
    EXPECT_EQ(after.rlim_cur, before.rlim_cur);
}
