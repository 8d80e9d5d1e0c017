// fetch_options.cpp: parses tarvio-fetch's command line.
#include "fetch_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <sys/stat.h>

const char kFetchUsage[] =
    "usage: tarvio-fetch [OPTION]...\n"
    "Runs one download of the TV guide into the EPG file, as the plug-in's green key does.\n"
    "\n"
    "  --config FILE       settings file to read (default /var/kestra/plugins/tarvio.conf)\n"
    "  --channels FILE     channel list (default /var/kestra/plugins/tarvio.channels)\n"
    "  --output FILE       EPG file to write, instead of the settings file's\n"
    "                      (at most 63 characters)\n"
    "  --days N            days to download, 1 to 14, instead of the settings file's\n"
    "  --timeout SECONDS   time limit of each fetch (default: the build's)\n"
    "  --if-older HOURS    fetch only if the EPG file is missing or was modified\n"
    "                      HOURS hours ago or more; otherwise say so and exit 0\n"
    "  --check             say what a run makes of each line of the channel list,\n"
    "                      and what looks wrong in it; fetch nothing\n"
    "  --probe             fetch today's guide of each enabled channel once and\n"
    "                      say what it brought; write no EPG file\n"
    "  --source FILE       source file to read (default /var/kestra/plugins/tarvio.source):\n"
    "                      \"xmltv LOCATION\" lines name XMLTV guides, tried in order;\n"
    "                      without one, the guide service's day documents are fetched\n"
    "  --xmltv LOCATION    read this XMLTV guide (an http:// or https:// URL, or an\n"
    "                      absolute path) instead of the source file's\n"
    "  --list-channels     print the channels of the XMLTV guide as lines for the\n"
    "                      channel list (\"n ID,NAME\"); write no EPG file\n"
    "  --quiet             print nothing but errors (with --check: but warnings;\n"
    "                      with --probe: but the channels without events)\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Progress goes to standard error, one line a fetch, as in\n"
    "  [2/3] 502 Canale Due 28/02: 34 events\n"
    "or, for a fetch that brought none: no guide data (nothing came), not a\n"
    "guide (no event in the document), timed out, skipped (the service stopped\n"
    "answering), wget could not be started. On a terminal it is one line,\n"
    "rewritten in place, that shows the fetch under way. The outcome is one line:\n"
    "on standard output when the EPG file was replaced in full, on standard\n"
    "error otherwise. SIGINT, SIGTERM or SIGHUP end the fetch under way and the\n"
    "run, which then keeps the old EPG file.\n"
    "\n"
    "Exit status:\n"
    "  0   EPG file replaced, every enabled channel brought every day;\n"
    "      or --if-older found it fresh\n"
    "  1   EPG file replaced, but some channels brought no guide data (their\n"
    "      old guide kept where the old file had it) or fewer days than asked\n"
    "  2   EPG file not replaced (no channel list or no channel enabled in it,\n"
    "      no guide data at all, wget not found, the lock file unusable,\n"
    "      output not writable, storage full, interrupted)\n"
    "  3   another download is running; nothing was touched\n"
    "  64  usage error; nothing was touched\n"
    "\n"
    "--check prints a line per line of the list, up to the line that ends it:\n"
    "  line 1: channel 501 \"Canale Uno\" (fetched as channel 1)\n"
    "  line 2: skipped (disabled)\n"
    "  line 3: comment\n"
    "  line 4: end of the list (an empty line)\n"
    "then a line \"warning: ...\" for each thing that makes the run read the list\n"
    "otherwise than it looks (channels after the end, ids that are no number,\n"
    "missing commas, an id twice, long lines, a byte-order mark), then the count.\n"
    "With an XMLTV source (--xmltv, or an \"xmltv\" line in the source file) the\n"
    "ids are the guide's, shown as text, and need be no numbers.\n"
    "Control characters are shown as \\t, \\r, \\xNN, and a backslash as \\\\.\n"
    "It takes no lock and writes nothing. It exits 0 when channels are enabled\n"
    "and nothing is warned, 1 with warnings, 2 when no channel is enabled or the\n"
    "list cannot be read.\n"
    "\n"
    "--probe takes the run's lock and time limit and fetches day 1 only, every\n"
    "enabled channel even after time-outs. It prints on standard output a line\n"
    "per channel, as in the progress above, then the count:\n"
    "  channels with guide data for 28/02: 2 of 3\n"
    "It deletes each document once counted and never touches the EPG file. It\n"
    "exits 0 when every enabled channel has events, 1 when some have none, 2\n"
    "when none has (or no channel is enabled, the list cannot be read, wget\n"
    "cannot be started, the lock file is unusable, interrupted), 3 when another\n"
    "download is running.\n"
    "With an XMLTV source it reads the guide once and prints each channel's events\n"
    "and days in the settings file's days, or that the guide has no such channel:\n"
    "  [1/3] Rai1.it Rai 1: 212 events, 7 of 7 days\n"
    "  [2/3] Rai9.it Rai 9: the guide has no such channel; closest: Rai1.it, Rai2.it\n"
    "  channels with guide data in the 7 days from 28/02: 1 of 3\n"
    "with the same exit statuses; 2 also when no location brought a guide.\n"
    "\n"
    "Channel names are shown with control characters escaped as above.\n";

namespace {

constexpr int kMaxDays = 14;
// Far beyond any use, and small enough to count in milliseconds and seconds.
constexpr int kMaxTimeoutSeconds = 86400;
constexpr int kMaxHours = 100000;

enum OptionId {
    kConfig = 1, kChannels, kOutput, kDays, kTimeout, kIfOlder, kQuiet, kCheck, kProbe, kSource, kXmltv,
    kListChannels, kHelp, kVersion, kLastId
};

const option kLongOptions[] = {
    {"config", required_argument, nullptr, kConfig},
    {"channels", required_argument, nullptr, kChannels},
    {"output", required_argument, nullptr, kOutput},
    {"days", required_argument, nullptr, kDays},
    {"timeout", required_argument, nullptr, kTimeout},
    {"if-older", required_argument, nullptr, kIfOlder},
    {"quiet", no_argument, nullptr, kQuiet},
    {"check", no_argument, nullptr, kCheck},
    {"probe", no_argument, nullptr, kProbe},
    {"source", required_argument, nullptr, kSource},
    {"xmltv", required_argument, nullptr, kXmltv},
    {"list-channels", no_argument, nullptr, kListChannels},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// A whole number from low to high, written in plain digits and nothing else.
std::optional<int> wholeNumber(const char* text, int low, int high) {
    if (*text < '0' || *text > '9')
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

bool takeNumber(const char* name, const char* text, int low, int high, std::optional<int>& into,
                std::string& error) {
    into = wholeNumber(text, low, high);
    if (!into)
        error = std::string(name) + " needs a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not \"" + text + "\"";
    return into.has_value();
}

bool takePath(const char* name, const char* text, std::string& into, std::string& error) {
    into = text;
    if (into.empty())
        error = std::string(name) + " needs a file name";
    return !into.empty();
}

// A file named on the command line must be there: reading the defaults
// instead of a mistyped settings file would look like a working run.
bool takeExistingPath(const char* name, const char* text, std::string& into, std::string& error) {
    if (!takePath(name, text, into, error))
        return false;
    struct stat status;
    if (::stat(text, &status) != 0) {
        error = std::string(name) + " " + text + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Refuses the run's options that a mode has no use for, naming the first
// one given: "--probe writes no EPG file: --days has no use with it".
// Only a check has no use for the fetch's time limit.
bool takesThem(const FetchOptions& options, const char* mode, bool fetches, std::string& error) {
    const char* useless = options.epgFilename                ? "--output"
                          : options.daysToDownload            ? "--days"
                          : !fetches && options.timeoutSeconds ? "--timeout"
                          : options.ifOlderHours              ? "--if-older"
                                                              : nullptr;
    if (useless)
        error = std::string(mode) + useless + " has no use with it";
    return useless == nullptr;
}

// The message for an option getopt_long did not take.
std::string refusedOption(int argc, char** argv) {
    // A known long option given a value leaves its id in optopt; an unknown
    // long one leaves 0 and the argument just passed is its text; an unknown
    // short one leaves its character, which may stand in a cluster.
    const char* argument = optind - 1 < argc ? argv[optind - 1] : "";
    if (optopt > 0 && optopt < kLastId)
        return std::string("no value is taken by ") + argument;
    if (optopt == 0)
        return std::string("unknown option ") + argument;
    return std::string("unknown option -") + static_cast<char>(optopt);
}

// The run keeps the EPG file's name in a buffer of the settings' size; a
// longer one would be cut, and another file written.
bool takeEpgFilename(const char* text, std::optional<std::string>& into, std::string& error) {
    std::string path;
    if (!takePath("--output", text, path, error))
        return false;
    if (path.size() >= static_cast<std::size_t>(kEpgFilenameSize)) {
        error = "--output takes at most " + std::to_string(kEpgFilenameSize - 1) + " characters";
        return false;
    }
    into = path;
    return true;
}

}  // namespace

CommandLine parseFetchOptions(int argc, char** argv, FetchOptions& options, std::string& error) {
    // The messages are ours; ":" first tells a missing value from an unknown option.
    opterr = 0;
    optind = 1;
    int id;
    while ((id = getopt_long(argc, argv, ":", kLongOptions, nullptr)) != -1) {
        bool ok = true;
        switch (id) {
        case kConfig: ok = takeExistingPath("--config", optarg, options.configFile, error); break;
        case kChannels: ok = takeExistingPath("--channels", optarg, options.channelList, error); break;
        case kOutput: ok = takeEpgFilename(optarg, options.epgFilename, error); break;
        case kDays: ok = takeNumber("--days", optarg, 1, kMaxDays, options.daysToDownload, error); break;
        case kTimeout:
            ok = takeNumber("--timeout", optarg, 1, kMaxTimeoutSeconds, options.timeoutSeconds, error);
            break;
        case kIfOlder: ok = takeNumber("--if-older", optarg, 1, kMaxHours, options.ifOlderHours, error); break;
        case kQuiet: options.quiet = true; break;
        case kCheck: options.check = true; break;
        case kProbe: options.probe = true; break;
        case kSource: ok = takeExistingPath("--source", optarg, options.sourceFile, error); break;
        case kXmltv:
            options.xmltvLocation = optarg;
            if (const char* problem = locationProblem(optarg)) {
                error = std::string("--xmltv ") + optarg + ": " + problem;
                ok = false;
            }
            break;
        case kListChannels: options.listChannels = true; break;
        case kHelp: return CommandLine::Help;
        case kVersion: return CommandLine::Version;
        case ':':
            error = std::string(argv[optind - 1]) + " needs a value";
            return CommandLine::UsageError;
        default:
            error = refusedOption(argc, argv);
            return CommandLine::UsageError;
        }
        if (!ok)
            return CommandLine::UsageError;
    }
    if (optind < argc) {
        error = std::string("unexpected argument \"") + argv[optind] + "\"";
        return CommandLine::UsageError;
    }
    if (options.check + options.probe + options.listChannels > 1) {
        error = "--check, --probe and --list-channels exclude each other";
        return CommandLine::UsageError;
    }
    if (options.check && !takesThem(options, "--check fetches nothing: ", false, error))
        return CommandLine::UsageError;
    // A probe fetches with the run's time limit, but into no file; so does a listing.
    if (options.probe && !takesThem(options, "--probe writes no EPG file: ", true, error))
        return CommandLine::UsageError;
    if (options.listChannels && !takesThem(options, "--list-channels writes no EPG file: ", true, error))
        return CommandLine::UsageError;
    return CommandLine::Run;
}
