// command_runner_test.cpp: a command is waited for no longer than it runs, one that outlives its time limit is ended with all it started, and how it ended is known in any host.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/stat.h>
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

// The processes of the group that are still there a while after run()
// returned. A process killed by the runner closes its descriptors, which
// ends the runner's wait, a moment before it is a zombie; under load that
// moment can be long. A survivor (a sleep of 30 seconds) is still there
// after the 5 seconds this allows.
int survivorsInGroup(int group) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int running;
    while ((running = runningInGroup(group)) > 0 && std::chrono::steady_clock::now() < giveUp)
        usleep(10000);
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

// The descriptor numbers a process has open, by its /proc folder, or as
// listed into a file.
std::set<int> descriptorNumbers(const std::vector<std::string>& names) {
    std::set<int> numbers;
    for (const std::string& name : names)
        numbers.insert(std::stoi(name));
    return numbers;
}

std::set<int> ownDescriptors() {
    return descriptorNumbers(folderNames("/proc/self/fd"));
}

std::set<int> listedDescriptors(const std::string& listing) {
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string name; lines >> name;)
        names.push_back(name);
    return descriptorNumbers(names);
}

std::set<int> added(const std::set<int>& before, const std::set<int>& after) {
    std::set<int> difference;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::inserter(difference, difference.end()));
    return difference;
}

// This process ignores SIGCHLD while it lives, as some hosts do: the
// kernel reaps its children, and waitpid() says ECHILD.
class SigchldIgnored {
public:
    SigchldIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGCHLD, &ignore, &previous);
    }
    ~SigchldIgnored() { sigaction(SIGCHLD, &previous, nullptr); }
    SigchldIgnored(const SigchldIgnored&) = delete;
    SigchldIgnored& operator=(const SigchldIgnored&) = delete;

private:
    struct sigaction previous {};
};

// Standard input closed while it lives, as a host started from cron may
// have it: the lowest free descriptor is then 0.
class StdinClosed {
public:
    StdinClosed() : saved(::fcntl(0, F_DUPFD_CLOEXEC, 3)) { ::close(0); }
    ~StdinClosed() {
        if (saved >= 0) {
            ::dup2(saved, 0);
            ::close(saved);
        }
    }
    StdinClosed(const StdinClosed&) = delete;
    StdinClosed& operator=(const StdinClosed&) = delete;

private:
    int saved;
};

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

    EXPECT_EQ(survivorsInGroup(std::stoi(folder.read("pid"))), 0) << "a process of the fetch outlived it";
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
    // A runner that waited on a timer of its own would show it here; the
    // bound leaves room for a loaded machine, where a fork alone may take
    // tens of milliseconds.
    EXPECT_LT(took[4], 250.0) << "median milliseconds of a command that ends at once";
}

TEST(TimedShellRunner, EndsACommandThatIgnoresSigtermAtTheLimitPlusTheGraceTime) {
    TempFolder folder;
    TimedShellRunner runner(1);
    const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; trap '' TERM; sleep 30");
    EXPECT_EQ(run.status, CommandStatus::TimedOut);
    // One second's limit and one second for SIGTERM to work, then SIGKILL.
    EXPECT_GE(run.took.count(), 1950.0);
    // Far below the 30 seconds the command would take if SIGKILL never came.
    EXPECT_LT(run.took.count(), 6000.0);
    EXPECT_EQ(survivorsInGroup(std::stoi(folder.read("pid"))), 0);
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
    // Waiting for the zombie would take the limit and both grace times, 3 s.
    EXPECT_LT(run.took.count(), 2700.0);
    EXPECT_GE(reaper.reapOrphans(), 1) << "the killed sleeps should have been left to this process";
}

TEST(TimedShellRunner, WaitsForWhatTheShellLeftRunning) {
    TempFolder folder;
    TimedShellRunner runner(1);
    const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; sleep 30 &");
    EXPECT_EQ(run.status, CommandStatus::TimedOut);
    EXPECT_GE(run.took.count(), 950.0);
    EXPECT_EQ(survivorsInGroup(std::stoi(folder.read("pid"))), 0);
}

TEST(TimedShellRunner, AnInterruptFromASignalHandlerEndsTheCommandAtOnce) {
    TempFolder folder;
    // No limit: only the interrupt ends it.
    TimedShellRunner runner(0);
    {
        InterruptLater interrupt(200);
        const TimedRun run = timedRun(runner, "echo $$ > " + folder.file("pid") + "; exec sleep 30");
        EXPECT_EQ(run.status, CommandStatus::Interrupted);
        EXPECT_LT(run.took.count(), 5000.0);
    }
    EXPECT_EQ(survivorsInGroup(std::stoi(folder.read("pid"))), 0);

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

    // Also as 9, the number the shell would report its status on: the
    // report goes to another one. Known only by that report where the
    // host ignores SIGCHLD.
    ASSERT_LT(::fcntl(9, F_GETFD), 0) << "the test process has a descriptor 9 of its own";
    ASSERT_EQ(::dup2(inherited, 9), 9);
    {
        SigchldIgnored ignored;
        EXPECT_EQ(runner.run("echo again >&9"), CommandStatus::Finished);
    }
    ::close(9);
    ::close(inherited);
    EXPECT_EQ(folder.read("inherited"), "through\nagain\n");
}

TEST(TimedShellRunner, TellsHowTheCommandEnded) {
    TimedShellRunner shell(10);
    EXPECT_EQ(shell.run("exit 0"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("exit 4"), CommandStatus::Failed);
    EXPECT_EQ(shell.run("tarvio-no-such-command 2> /dev/null"), CommandStatus::NotFound);
    // Ended by a stop signal the runner did not send: someone wants the run to stop.
    EXPECT_EQ(shell.run("kill -TERM $$"), CommandStatus::Interrupted);
    EXPECT_EQ(shell.run("kill -KILL $$"), CommandStatus::Failed);
    // The shell replaced by its command reports nothing: the wait status tells.
    EXPECT_EQ(shell.run("exec true"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("exec false"), CommandStatus::Failed);
}

// The runner's descriptors never take a standard one's number, and stay
// clear of the single digits that the shell's line uses; the wake-up pipe
// goes when it is released, and comes back when a run needs it.
TEST(TimedShellRunner, KeepsItsDescriptorsAtTenOrAboveAndReleasesThem) {
    TempFolder folder;
    TimedShellRunner runner(10);
    TimedShellRunner::releaseWakePipe();
    const std::set<int> before = ownDescriptors();
    std::set<int> during, after;
    {
        StdinClosed closed;
        // The command lists the runner's process's descriptors while the
        // run holds its pipes.
        const std::string list = "ls /proc/" + std::to_string(getpid()) + "/fd > " + folder.file("during");
        EXPECT_EQ(runner.run(list.c_str()), CommandStatus::Finished);
        after = ownDescriptors();
    }
    during = added(before, listedDescriptors(folder.read("during")));
    // The command pipe's read end and the wake-up pipe's two ends at least.
    EXPECT_GE(during.size(), 3u);
    EXPECT_GE(*during.begin(), 10);
    // The wake-up pipe stays for the next run, until it is released.
    const std::set<int> kept = added(before, after);
    EXPECT_EQ(kept.size(), 2u);
    EXPECT_GE(*kept.begin(), 10);

    TimedShellRunner::releaseWakePipe();
    EXPECT_EQ(ownDescriptors(), before) << "the released runner left a descriptor open";
    EXPECT_EQ(runner.run(("echo again > " + folder.file("again")).c_str()), CommandStatus::Finished);
    EXPECT_EQ(folder.read("again"), "again\n");
    // And an interrupt from a handler wakes the run at once again.
    InterruptLater interrupt(200);
    const TimedRun run = timedRun(runner, "sleep 30");
    EXPECT_EQ(run.status, CommandStatus::Interrupted);
    EXPECT_LT(run.took.count(), 5000.0);
}

namespace {

// The path of a shell to run the runner's line with: the machine's sh
// (dash on Debian), or BusyBox's, which the box has.
class RunnerInShell : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "sh") {
            shellPath = "/bin/sh";
            return;
        }
        const char* busybox = nullptr;
        for (const char* path : {"/bin/busybox", "/usr/bin/busybox"})
            if (::access(path, X_OK) == 0)
                busybox = path;
        if (!busybox)
            GTEST_SKIP() << "no busybox here";
        // BusyBox runs the applet it is called by.
        shellPath = folder.file("sh");
        ASSERT_EQ(::symlink(busybox, shellPath.c_str()), 0);
    }

    TimedShellRunner runner(long long fileSizeLimit = 0) const {
        return TimedShellRunner(10, fileSizeLimit, shellPath.c_str());
    }

    TempFolder folder;
    std::string shellPath;
};

// A writer of a million bytes, as wget under the run's sh; stderr quiet,
// where a shell tells of its child's death by SIGXFSZ.
std::string writer(const std::string& form, const std::string& file) {
    return "exec 2> /dev/null; " + form + " > " + file;
}

}  // namespace

// The limit is in place before the command starts: no race, however late
// the runner gets the processor back (every time, also under load).
TEST_P(RunnerInShell, StopsAWriterAtTheFileSizeLimitEveryTime) {
    const std::string file = folder.file("document");
    rlimit before{}, after{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    TimedShellRunner shell = runner(65536);
    // The shell's last command, a subshell's, and one the shell is replaced by.
    for (const char* form : {"head -c 1000000 /dev/zero", "(head -c 1000000 /dev/zero)",
                             "exec head -c 1000000 /dev/zero"}) {
        for (int i = 0; i < 10; ++i) {
            SCOPED_TRACE(form);
            ::unlink(file.c_str());
            EXPECT_EQ(shell.run(writer(form, file).c_str()), CommandStatus::Failed);
            // 65536 bytes are 128 whole blocks of "ulimit -f".
            EXPECT_EQ(readFile(file).size(), 65536u);
        }
    }
    // The limit is the command's alone: ours is as it was.
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &after), 0);
    EXPECT_EQ(after.rlim_cur, before.rlim_cur);
    EXPECT_EQ(after.rlim_max, before.rlim_max);
}

// A shell that cannot set the limit (a BusyBox built without ulimit) must
// not run the command without it.
TEST_P(RunnerInShell, RunsNothingWhenTheLimitCannotBeSet) {
    const std::string noUlimit = folder.file("no-ulimit-sh");
    writeFile(noUlimit, "#!" + shellPath + "\nulimit() { return 1; }\neval \"$2\"\n");
    ASSERT_EQ(::chmod(noUlimit.c_str(), 0755), 0);
    const std::string file = folder.file("ran");
    TimedShellRunner limited(10, 65536, noUlimit.c_str());
    EXPECT_EQ(limited.run(("echo ran > " + file + " 2> /dev/null").c_str()), CommandStatus::Failed);
    EXPECT_NE(::access(file.c_str(), F_OK), 0) << "the command ran without its limit";
    // Without a limit to set, the same shell runs it.
    TimedShellRunner unlimited(10, 0, noUlimit.c_str());
    EXPECT_EQ(unlimited.run(("echo ran > " + file).c_str()), CommandStatus::Finished);
    EXPECT_EQ(folder.read("ran"), "ran\n");
}

// A host that ignores SIGCHLD gets no wait status: the shell's own report
// tells, and where there is none, the end is unknown and never Finished.
TEST_P(RunnerInShell, KnowsHowTheCommandEndedWhenTheHostIgnoresSigchld) {
    SigchldIgnored ignored;
    TimedShellRunner shell = runner(65536);
    EXPECT_EQ(shell.run("exit 0"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("true"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("exit 3"), CommandStatus::Failed);
    EXPECT_EQ(shell.run("false"), CommandStatus::Failed);
    EXPECT_EQ(shell.run("tarvio-no-such-command 2> /dev/null"), CommandStatus::NotFound);
    // The last command ended by a stop signal that the runner did not send.
    EXPECT_EQ(shell.run(("exec 2> /dev/null; " + shellPath + " -c 'kill -TERM $$'").c_str()),
              CommandStatus::Interrupted);
    EXPECT_EQ(shell.run(writer("head -c 1000000 /dev/zero", folder.file("document")).c_str()),
              CommandStatus::Failed);
    // The shell itself killed, or replaced by its command: nothing reports.
    EXPECT_NE(shell.run("kill -TERM $$"), CommandStatus::Finished);
    EXPECT_EQ(shell.run("kill -KILL $$"), CommandStatus::Failed);
    EXPECT_EQ(shell.run("exec true"), CommandStatus::Failed);
    EXPECT_EQ(shell.run(writer("exec head -c 1000000 /dev/zero", folder.file("document")).c_str()),
              CommandStatus::Failed);
}

INSTANTIATE_TEST_SUITE_P(Shells, RunnerInShell, ::testing::Values("sh", "busybox"),
                         [](const ::testing::TestParamInfo<std::string>& shell) { return shell.param; });

namespace {

// Keeps what a streamed command writes; wants no more after `most` bytes.
class KeptOutput : public OutputSink {
public:
    explicit KeptOutput(std::size_t most = std::string::npos) : most(most) {}
    bool output(const char* bytes, std::size_t size) override {
        kept.append(bytes, size);
        return kept.size() < most;
    }

    std::string kept;
    std::size_t most;
};

}  // namespace

TEST(TimedShellRunner, StreamsWhatTheCommandWritesAndItsStatus) {
    TimedShellRunner runner(5);
    KeptOutput output;
    EXPECT_EQ(runner.stream("printf 'one\\n'; printf 'two\\n' >&2; printf three", output), CommandStatus::Finished);
    EXPECT_EQ(output.kept, "one\nthree") << "standard output only";
    KeptOutput failed;
    EXPECT_EQ(runner.stream("printf half; exit 4", failed), CommandStatus::Failed);
    EXPECT_EQ(failed.kept, "half");
}

TEST(TimedShellRunner, AStreamsLimitCountsFromItsLastByte) {
    // A command that writes a byte each 0.3 s for 2.4 s outlives a 2 s limit
    // that counts from the start; from the last byte, it never comes.
    TimedShellRunner runner(2);
    KeptOutput output;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.stream("for i in 1 2 3 4 5 6 7 8; do printf x; sleep 0.3; done", output),
              CommandStatus::Finished);
    EXPECT_EQ(output.kept, "xxxxxxxx");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));

    // One that stops writing is ended a limit after its last byte.
    KeptOutput stalled;
    EXPECT_EQ(runner.stream("printf x; exec sleep 30", stalled), CommandStatus::TimedOut);
    EXPECT_EQ(stalled.kept, "x");
}

TEST(TimedShellRunner, ASinkThatWantsNoMoreEndsTheCommand) {
    TimedShellRunner runner(30);
    KeptOutput output(4);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.stream("while :; do printf xxxx; done", output), CommandStatus::Failed);
    EXPECT_GE(output.kept.size(), 4u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "not left to the limit";
}
