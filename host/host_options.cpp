// host_options.cpp: parses tvhost's command line.
#include "host_options.h"

#include "escriptedfrontend.h"

const char kHostUsage[] =
    "usage: tvhost [--root DIR] [--key KEY]... PLUGIN\n"
    "  --root DIR  run with DIR/var, DIR/mnt, DIR/tmp at /var, /mnt, /tmp\n"
    "  --key KEY   play KEY instead of reading the terminal; repeatable.\n"
    "              KEY: red green yellow blue exit ok up down left right\n"
    "              backspace 0..9, text:STRING (typed), wait (multi-tap timeout)\n";

bool parseHostOptions(int argc, char** argv, HostOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--root" || arg == "--key") {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            std::string value = argv[++i];
            if (arg == "--root") {
                if (value.empty()) {
                    error = "--root needs a folder";
                    return false;
                }
                options.root = value;
            } else {
                if (!eScriptedFrontend::validEntry(value)) {
                    error = "unknown key \"" + value + "\"";
                    return false;
                }
                options.keys.push_back(value);
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.plugin.empty()) {
            options.plugin = arg;
        } else {
            error = "more than one plug-in given";
            return false;
        }
    }
    if (options.plugin.empty()) {
        error = "no plug-in given";
        return false;
    }
    return true;
}
