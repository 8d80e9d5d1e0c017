// no_entry.cpp: a shared object without plugin_exec, which tvhost must refuse.
extern "C" int not_a_plugin_entry() { return 42; }
