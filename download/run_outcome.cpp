// run_outcome.cpp: the rules that pick a run's outcome from what its channels brought.
#include "run_outcome.h"

namespace {

bool anyData(const std::vector<ChannelReport>& channels) {
    for (const ChannelReport& channel : channels)
        if (channel.broughtData())
            return true;
    return false;
}

bool allComplete(const std::vector<ChannelReport>& channels) {
    for (const ChannelReport& channel : channels)
        if (!channel.complete())
            return false;
    return true;
}

}  // namespace

bool newFileWorthKeeping(const RunEnding& ending, const std::vector<ChannelReport>& channels) {
    return ending.stop == SourceStop::None && !ending.writeFailed && anyData(channels);
}

RunOutcome runOutcome(const RunEnding& ending, bool replaced, const std::vector<ChannelReport>& channels) {
    if (ending.stop == SourceStop::Interrupted)
        return RunOutcome::Interrupted;
    if (ending.stop == SourceStop::NoWget)
        return RunOutcome::NoWget;
    if (ending.writeFailed || (newFileWorthKeeping(ending, channels) && !replaced))
        return RunOutcome::Failed;
    if (!replaced)
        return RunOutcome::NoGuideData;
    return allComplete(channels) ? RunOutcome::Done : RunOutcome::Incomplete;
}
