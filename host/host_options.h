// host_options.h: tvhost's command line.
#pragma once

#include <string>
#include <vector>

struct HostOptions {
    std::string root;               // --root DIR; empty: the machine's own paths
    std::vector<std::string> keys;  // --key KEY...; none: the terminal
    std::string pictures;           // --png DIR; empty: no pictures
    std::string plugin;
    bool help = false;              // --help: show the usage, run nothing
};

// Parses argv; on error returns false with a message in error. At a
// --help it returns true at once, with help set: nothing after it counts.
bool parseHostOptions(int argc, char** argv, HostOptions& options, std::string& error);

extern const char kHostUsage[];
