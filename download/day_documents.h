// day_documents.h: the guide service's day documents as a run's source: a fetch per channel and day.
#pragma once

#include "document_fetch.h"
#include "guide_conversion.h"
#include "guide_source.h"

class DayDocuments final : public GuideSource {
public:
    enum class Mode {
        Run,    // after two time-outs in a row the service counts as gone
        Probe,  // every channel is fetched, even after time-outs: a probe
                // is asked which channels answer; no documents are removed
                // but each fetch's own
    };

    explicit DayDocuments(DocumentFetcher& fetcher, Mode mode = Mode::Run) : fetcher(fetcher), mode(mode) {}

    void begin(const RunDays& days, const std::vector<ChannelEntry>& channels, DownloadView& view) override;
    // The day loop: one fetch per day from today, stopping at the first day
    // that brings nothing.
    void convertChannel(const ChannelStep& step, std::FILE* epg, ChannelReport& report) override;
    void end() override;
    SourceStop stop() const override { return stopped; }

private:
    void fetchDays(const ChannelStep& step, std::FILE* epg, ChannelReport& report);
    FetchedDocument fetchDay(const ChannelEntry& channel, const GuideDate& date, int dayNumber);
    bool unreachable() const;

    DocumentFetcher& fetcher;
    Mode mode;
    RunDays days{};
    DownloadView* view = nullptr;
    GuideConverter converter;
    DocumentBuffer document;
    int timeoutsInARow = 0;
    SourceStop stopped = SourceStop::None;
};
