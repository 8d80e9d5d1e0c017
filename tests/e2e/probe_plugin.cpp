// probe_plugin.cpp: a plug-in that leaves a file named by $PROBE_NAME in
// /var, /mnt and /tmp, the last one through a command it starts, to show
// where those paths lead under tvhost --root.
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int plugin_exec(void*) {
    const char* name = std::getenv("PROBE_NAME");
    if (!name)
        return 1;
    for (const char* folder : {"/var/", "/mnt/"}) {
        std::FILE* f = std::fopen((std::string(folder) + name).c_str(), "w");
        if (!f)
            return 1;
        std::fclose(f);
    }
    // PROBE_NAME is a plain word chosen by the test.
    return std::system((std::string("touch /tmp/") + name).c_str()) == 0 ? 0 : 1;
}
