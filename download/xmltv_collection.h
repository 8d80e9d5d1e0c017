// xmltv_collection.h: what of a guide is kept as it streams past: the wanted channels' programmes, texts by language, channel names.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "xmltv_events.h"
#include "xmltv_fields.h"

// What a run wants of a guide.
struct XmltvSelection {
    // The XMLTV ids of the channel list's enabled channels, in its order.
    // An id may come twice; ids match without regard to ASCII case.
    std::vector<std::string> channelIds;
    // The preferred languages, the most preferred first ("it", "en").
    std::vector<std::string> languages;
    // The window, seconds since 1970: from today's local midnight to the
    // local midnight the run's days later.
    long long windowStart = 0;
    long long windowEnd = 0;
    // Also collect every <channel> with its name, and the ids that only
    // programmes name (for a listing of the guide's channels).
    bool listChannels = false;
};

// A <channel> of the guide: its id, and its display-name by the language
// rule, cleaned as texts are; the id when it has none.
struct XmltvChannelName {
    std::string id;
    std::string name;
};

// What the guide holds of one wanted channel, whatever the window.
struct XmltvChannelStats {
    bool declared = false;    // a <channel> has its id
    long long programmes = 0;  // <programme> elements that name it
};

// Takes the document's elements as they pass, keeps what the selection
// wants and drops the rest at once, so that the memory it takes grows with
// the wanted channels' programmes only, never with the guide's size:
//  - programmes of other channels are counted and skipped;
//  - of a wanted channel's programmes, only those that may reach the
//    window keep their texts (a start before the window's end and no stop
//    at or before its start); the others keep their times, which the
//    order and the ends of the rest depend on;
//  - of the programmes that start at or after the window's end only the
//    earliest start is kept, as it may end the one before it;
//  - a text keeps no more than its record can hold.
// Of several elements of one kind (title, sub-title, desc, category, a
// channel's display-name) the first whose lang is first in the preferred
// order is taken, else the first in the document. A lang matches a
// preferred code when it is that code, or that code followed by "-"
// ("en-GB" for "en"), without regard to ASCII case.
class XmltvCollection {
public:
    explicit XmltvCollection(XmltvSelection selection);

    // An element opens at depth (0: the root). True when its text is
    // wanted: it then comes through text() until capturing() is false.
    bool elementStarted(int depth, const char* name, const char** attributes);
    void text(const char* bytes, std::size_t size);
    void elementEnded(int depth);
    bool capturing() const { return captureKind >= 0; }

    // The document has ended well: settles each channel's events.
    void finish();

    // <programme> elements seen so far, of any channel.
    long long programmes() const { return programmesSeen; }

    // After finish(), per entry of the selection's channelIds.
    std::size_t channelCount() const { return listToChannel.size(); }
    const std::vector<XmltvEvent>& events(std::size_t listIndex) const;
    XmltvChannelStats stats(std::size_t listIndex) const;

    // With listChannels: every <channel> in the document's order, then the
    // ids that only programmes name, in the order first seen.
    const std::vector<XmltvChannelName>& declaredChannels() const { return declared; }
    const std::vector<std::string>& undeclaredIds() const { return undeclared; }

private:
    enum TextKind { Title, SubTitle, Description, Category, DisplayName, TextKinds };

    struct Candidate {
        std::string text;
        int rank = 0;
        bool found = false;
    };

    struct Channel {
        std::string key;  // the id in lower case
        std::vector<XmltvProgramme> programmes;
        bool hasLater = false;
        long long later = 0;  // the earliest start at or after the window's end
        XmltvChannelStats stats;
        std::vector<XmltvEvent> events;
    };

    int findChannel(const char* id) const;
    int programmeChannel(const char* id);
    void startProgramme(const char** attributes);
    void endProgramme();
    void startChannel(const char** attributes);
    void endChannel();
    int languageRank(const char* lang) const;
    void resetCandidates();

    XmltvSelection selection;
    std::vector<Channel> channels;  // one per distinct id
    std::vector<std::size_t> byKey;  // the channels' numbers in the order of their keys
    std::vector<std::size_t> listToChannel;
    long long programmesSeen = 0;

    // The element being read.
    enum class Part { None, Programme, Channel } part = Part::None;
    int current = -1;  // its channel
    XmltvProgramme programme;
    std::string channelId;
    Candidate candidates[TextKinds];
    int captureKind = -1;
    int captureRank = 0;
    XmltvText scratch;

    // The last programme channel looked up: guides list a channel's
    // programmes one after another, so most lookups are this one.
    bool haveLast = false;
    std::string lastId;
    int lastChannel = -1;

    // The listing of channels.
    std::vector<XmltvChannelName> declared;
    std::set<std::string> declaredKeys;
    std::set<std::string> programmeKeys;
    std::vector<std::string> programmeIds;
    std::vector<std::string> undeclared;
};
