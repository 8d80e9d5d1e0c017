// xmltv_source.h: an XMLTV guide as a run's source: one guide, read once, for every channel and day.
#pragma once

#include <string>
#include <vector>

#include "guide_source.h"
#include "run_seams.h"
#include "source_file.h"
#include "xmltv_reader.h"

// Reads the first of the locations that brings a whole guide, keeping the
// programmes of the list's channels (each line's text before the comma is
// the guide's channel id), then gives each channel its events of the run's
// days. A URL is fetched with wget through the shell and read as it
// arrives; a path is read from the file in pieces. Nothing of the guide is
// kept in memory or in /tmp beyond what the wanted channels need.
class XmltvSource final : public GuideSource {
public:
    XmltvSource(GuideSourceSettings settings, CommandRunner& shell);

    void begin(const RunDays& days, const std::vector<ChannelEntry>& channels, DownloadView& view) override;
    void convertChannel(const ChannelStep& step, std::FILE* epg, ChannelReport& report) override;
    void end() override {}
    SourceStop stop() const override { return stopped; }
    std::vector<LocationReport> locations() const override { return tried; }

    // Also keeps every channel the guide declares, for a listing.
    void listChannels() { listing = true; }
    // The guide that was read whole, or nullptr when no location brought one.
    const XmltvReader* guide() const { return reader.get(); }

private:
    bool readLocation(const std::string& location, XmltvReader& into, LocationReport& report);

    GuideSourceSettings settings;
    CommandRunner& shell;
    bool listing = false;
    DownloadView* view = nullptr;
    std::vector<long long> dayStarts;  // each day's local midnight, and the one after the last
    std::unique_ptr<XmltvReader> reader;
    std::vector<LocationReport> tried;
    SourceStop stopped = SourceStop::None;
};

// The wget line that streams a guide to standard output: one try, so that
// GNU wget does not retry a cut transfer for minutes, and an honest user
// agent. False when it does not fit or the URL can't go to the shell.
bool buildGuideCommand(char* out, std::size_t size, const std::string& url);

// The ids of up to three of the guide's channels whose id or name comes
// closest to id (fewest edits, without regard to ASCII case), the closest
// first, the guide's order among equals. Ids longer than a channel list's
// can be are left out. Needs a guide read with listChannels().
std::vector<std::string> closestChannels(const XmltvReader& guide, const std::string& id);
