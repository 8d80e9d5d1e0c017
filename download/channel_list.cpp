// channel_list.cpp: the channel list file: which lines are channels, and their id and name.
#include "channel_list.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

LineKind classifyLine(const char* line) {
    switch (std::tolower(static_cast<unsigned char>(line[0]))) {
    case 'y':
        return LineKind::Enabled;
    case 'n':
    case '#':
        return LineKind::Skipped;
    default:
        return LineKind::End;
    }
}

bool parseChannelLine(const char* line, ChannelEntry& entry) {
    // Position 1 is a separator of any value; a line too short to reach
    // position 2 has no room for an id.
    if (std::strlen(line) < 2)
        return false;
    const char* comma = std::strchr(line + 2, ',');
    if (!comma)
        return false;

    errno = 0;
    long id = std::strtol(line + 2, nullptr, 10);
    // The box's long is 32 bits: clamp so a PC run gives the box's id.
    if (id > INT_MAX)
        id = INT_MAX;
    if (id < INT_MIN)
        id = INT_MIN;
    entry.id = static_cast<int>(id);

    const char* name = comma + 1;
    std::size_t length = std::strcspn(name, "\r\n");
    if (length > sizeof entry.name - 1)
        length = sizeof entry.name - 1;
    std::memcpy(entry.name, name, length);
    entry.name[length] = '\0';
    return true;
}

bool nextChannel(std::FILE* list, ChannelEntry& entry) {
    char line[256];
    while (std::fgets(line, sizeof line, list)) {
        switch (classifyLine(line)) {
        case LineKind::End:
            return false;
        case LineKind::Skipped:
            break;
        case LineKind::Enabled:
            if (parseChannelLine(line, entry))
                return true;
            break;
        }
    }
    return false;
}

int countChannels(std::FILE* list) {
    ChannelEntry entry;
    int count = 0;
    while (nextChannel(list, entry))
        ++count;
    return count;
}
