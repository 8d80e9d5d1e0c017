// run_outcome_test.cpp: the rules that pick a run's outcome, from channels' reports alone.
#include <gtest/gtest.h>

#include <vector>

#include "run_outcome.h"

namespace {

// A channel that asked two days and brought `days` of them, `cut` of those cut.
ChannelReport channel(int days, int cut = 0) {
    ChannelReport report;
    report.daysAsked = 2;
    report.daysConverted = days;
    report.daysCut = cut;
    return report;
}

}  // namespace

TEST(RunOutcome, FromWhatTheChannelsBroughtAndHowThePassEnded) {
    const std::vector<ChannelReport> whole{channel(2), channel(2)};
    const std::vector<ChannelReport> someShort{channel(2), channel(1)};
    const std::vector<ChannelReport> someCut{channel(2), channel(2, 1)};
    const std::vector<ChannelReport> someWithout{channel(2), channel(0)};
    const std::vector<ChannelReport> none{channel(0), channel(0)};
    const RunEnding fine{}, interrupted{SourceStop::Interrupted, false}, noWget{SourceStop::NoWget, false},
        writeFailed{SourceStop::None, true};

    const struct {
        RunEnding ending;
        const std::vector<ChannelReport>& channels;
        bool worthKeeping;
        bool replaced;
        RunOutcome outcome;
    } cases[] = {
        {fine, whole, true, true, RunOutcome::Done},
        {fine, someShort, true, true, RunOutcome::Incomplete},
        {fine, someCut, true, true, RunOutcome::Incomplete},
        {fine, someWithout, true, true, RunOutcome::Incomplete},
        {fine, none, false, false, RunOutcome::NoGuideData},
        // Worth keeping, but it could not be put in place.
        {fine, whole, true, false, RunOutcome::Failed},
        // Whatever was fetched, these keep the old file.
        {interrupted, whole, false, false, RunOutcome::Interrupted},
        {noWget, someShort, false, false, RunOutcome::NoWget},
        {writeFailed, whole, false, false, RunOutcome::Failed},
        {writeFailed, none, false, false, RunOutcome::Failed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(newFileWorthKeeping(c.ending, c.channels), c.worthKeeping);
        EXPECT_EQ(runOutcome(c.ending, c.replaced, c.channels), c.outcome);
    }
}
