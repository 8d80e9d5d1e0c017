// plugin_entry.cpp: plugin_exec, where the host enters the plug-in.
#include "command_runner.h"
#include "demo_dialog.h"

extern "C" __attribute__((visibility("default"))) int plugin_exec(PluginParam*) {
    // The runner's wake-up pipe is closed on leaving: the plug-in leaves no descriptor behind.
    const RunnerPipesScope runnerPipes;
    eDemoDialog dialog;
    dialog.show();
    dialog.exec();
    dialog.hide();
    return 0;
}
