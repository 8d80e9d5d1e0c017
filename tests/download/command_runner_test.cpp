// command_runner_test.cpp: a command that outlives its time limit is ended with all it started.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include <dirent.h>

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
