// run_report.cpp: what a download run did, as data.
#include "run_report.h"

int RunReport::channelsWithoutData() const {
    return channelsWhere(channels, [](const ChannelReport& channel) { return !channel.broughtData(); });
}

int RunReport::channelsShort() const {
    return channelsWhere(channels, [](const ChannelReport& channel) {
        return channel.broughtData() && channel.daysConverted < channel.daysAsked;
    });
}

int RunReport::channelsKept() const {
    return channelsWhere(channels, [](const ChannelReport& channel) { return channel.keptOldGuide; });
}

int RunReport::channelsCut() const {
    return channelsWhere(channels, [](const ChannelReport& channel) { return channel.daysCut > 0; });
}
