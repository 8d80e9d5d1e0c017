// channel_list.h: the channel list file: which lines are channels, and their id and name.
#pragma once

#include <cstdio>

enum class LineKind { Enabled, Skipped, End };

struct ChannelEntry {
    int id = 0;
    char name[256] = {};
};

// Classifies one fgets piece by its first character.
LineKind classifyLine(const char* line);

// Cuts the id and the name out of an enabled line. False when the line has
// no comma from position 2 on: such a line names no channel.
bool parseChannelLine(const char* line, ChannelEntry& entry);

// Reads on to the next enabled line that names a channel. False at the end
// of the file or at the line that ends the list. Both passes of a run read
// through here, so they always agree on which lines are channels.
bool nextChannel(std::FILE* list, ChannelEntry& entry);

// The number of channels nextChannel yields from here to the end of the list.
int countChannels(std::FILE* list);
