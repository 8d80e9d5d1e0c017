// plugin_entry.cpp: plugin_exec, where the host enters the plug-in.
#include "demo_dialog.h"

extern "C" __attribute__((visibility("default"))) int plugin_exec(PluginParam*) {
    eDemoDialog dialog;
    dialog.show();
    dialog.exec();
    dialog.hide();
    return 0;
}
