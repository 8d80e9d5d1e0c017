// conversion_harness.h: runs the guide conversion into memory under a chosen zone.
#pragma once

#include <string>
#include <vector>

#include <ctime>

#include "zone_guard.h"

// One channel of a run: its name and its fetched days' documents, the
// first with day offset 86400, the next 172800 and so on.
struct ChannelInput {
    std::string name;
    std::vector<std::string> documents;
};

// The EPG file that one run over these channels writes.
std::string convertRun(const std::vector<ChannelInput>& channels, std::time_t localMidnight);

// The same for a single channel with the ordinal 1.
std::string convertChannel(const std::string& name, const std::vector<std::string>& documents,
                           std::time_t localMidnight);
