// host_options.cpp: parses tvhost's command line with getopt_long.
#include "host_options.h"

#include <getopt.h>

#include "escriptedfrontend.h"

const char kHostUsage[] =
    "usage: tvhost [--root DIR] [--png DIR] [--key KEY]... PLUGIN\n"
    "       tvhost --help\n"
    "  --root DIR  run with DIR/var, DIR/mnt, DIR/tmp at /var, /mnt, /tmp\n"
    "  --png DIR   write a PNG picture of every screen to DIR (on the\n"
    "              terminal: of the screen shown when F12 is pressed)\n"
    "  --key KEY   play KEY instead of reading the terminal; repeatable.\n"
    "              KEY: red green yellow blue exit ok up down left right\n"
    "              backspace 0..9, text:STRING (typed), wait (multi-tap timeout)\n"
    "  --help      show this help and exit\n";

namespace {
enum OptionCode { kRoot = 1, kKey, kPng, kHelp };

const option kLongOptions[] = {
    {"root", required_argument, nullptr, kRoot},
    {"key", required_argument, nullptr, kKey},
    {"png", required_argument, nullptr, kPng},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

std::string optionName(int code) {
    for (const option* o = kLongOptions; o->name; ++o)
        if (o->val == code)
            return std::string("--") + o->name;
    return std::string("-") + static_cast<char>(code);
}

bool takeOption(int code, const std::string& value, HostOptions& options, std::string& error) {
    switch (code) {
    case kRoot:
        if (value.empty()) {
            error = "--root needs a folder";
            return false;
        }
        options.root = value;
        return true;
    case kPng:
        if (value.empty()) {
            error = "--png needs a folder";
            return false;
        }
        options.pictures = value;
        return true;
    default:
        if (!eScriptedFrontend::validEntry(value)) {
            error = "unknown key \"" + value + "\"";
            return false;
        }
        options.keys.push_back(value);
        return true;
    }
}
}  // namespace

bool parseHostOptions(int argc, char** argv, HostOptions& options, std::string& error) {
    // getopt_long reports through error instead of printing; start afresh
    // on every call.
    opterr = 0;
    optind = 0;
    for (;;) {
        const int code = getopt_long(argc, argv, ":", kLongOptions, nullptr);
        if (code == -1)
            break;
        if (code == ':') {
            error = optionName(optopt) + " needs a value";
            return false;
        }
        if (code == '?') {
            // An unknown long option leaves optopt at 0; its text is the
            // argument just passed.
            error = "unknown option " + (optopt ? optionName(optopt) : std::string(argv[optind - 1]));
            return false;
        }
        if (code == kHelp) {
            options.help = true;
            return true;
        }
        if (!takeOption(code, optarg, options, error))
            return false;
    }
    for (int i = optind; i < argc; ++i) {
        if (!options.plugin.empty()) {
            error = "more than one plug-in given";
            return false;
        }
        options.plugin = argv[i];
    }
    if (options.plugin.empty()) {
        error = "no plug-in given";
        return false;
    }
    return true;
}
