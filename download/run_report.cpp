// run_report.cpp: what a download run did, as data.
#include "run_report.h"

int RunReport::channelsWithoutData() const {
    int without = 0;
    for (const ChannelReport& channel : channels)
        if (!channel.broughtData())
            ++without;
    return without;
}

int RunReport::channelsShort() const {
    int count = 0;
    for (const ChannelReport& channel : channels)
        if (channel.broughtData() && channel.daysConverted < channel.daysAsked)
            ++count;
    return count;
}

int RunReport::channelsKept() const {
    int count = 0;
    for (const ChannelReport& channel : channels)
        if (channel.keptOldGuide)
            ++count;
    return count;
}

int RunReport::channelsCut() const {
    int count = 0;
    for (const ChannelReport& channel : channels)
        if (channel.daysCut > 0)
            ++count;
    return count;
}
