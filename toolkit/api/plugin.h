// plugin.h: the entry point the host calls in a plug-in.
#pragma once

// The host passes its plug-in parameters; the plug-in may ignore them.
struct PluginParam;

extern "C" int plugin_exec(PluginParam* param);

typedef int (*PluginExecFunction)(PluginParam*);
