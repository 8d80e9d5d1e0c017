// fetch_options.h: tarvio-fetch's command line.
#pragma once

#include <optional>
#include <string>

#include "run_seams.h"
#include "settings_file.h"
#include "source_file.h"

struct FetchOptions {
    std::string configFile = kSettingsPath;
    std::string channelList = kBoxPlaces.channelList;
    // Unset: the settings file's (or its defaults).
    std::optional<std::string> epgFilename;
    std::optional<int> daysToDownload;
    // Unset: the limit the build was configured with.
    std::optional<int> timeoutSeconds;
    // Unset: fetch whatever the EPG file's age.
    std::optional<int> ifOlderHours;
    bool quiet = false;
    // Read the channel list as the run would and say what it makes of it.
    bool check = false;
    // Fetch today's document of each enabled channel once and say what it
    // brought; write no EPG file.
    bool probe = false;
    // Where the guide comes from: the source file, or one XMLTV location
    // that stands for it.
    std::string sourceFile = kSourcePath;
    std::optional<std::string> xmltvLocation;
    // Print the XMLTV guide's channels as lines for the channel list.
    bool listChannels = false;
};

enum class CommandLine { Run, Help, Version, UsageError };

// Parses argv into options; on UsageError, error names the problem.
CommandLine parseFetchOptions(int argc, char** argv, FetchOptions& options, std::string& error);

extern const char kFetchUsage[];
