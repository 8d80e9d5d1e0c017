// run_report.cpp: what a download run did, as data.
#include "run_report.h"

int RunReport::channelsWithoutData() const {
    int without = 0;
    for (const ChannelReport& channel : channels)
        if (channel.daysConverted == 0)
            ++without;
    return without;
}
