// xmltv_collection.cpp: what of a guide is kept as it streams past: the wanted channels' programmes, texts by language, channel names.
#include "xmltv_collection.h"

#include <algorithm>
#include <cstring>

#include "epg_file.h"

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerCase(const char* text) {
    std::string lowered(text);
    for (char& c : lowered)
        c = lowerAscii(c);
    return lowered;
}

// The value of the attribute called name, or null.
const char* attribute(const char** attributes, const char* name) {
    for (; attributes[0]; attributes += 2)
        if (std::strcmp(attributes[0], name) == 0)
            return attributes[1];
    return nullptr;
}

// Whether a lang attribute matches a preferred code: the code itself, or
// the code and a subtag after a "-".
bool languageMatches(const char* lang, const std::string& code) {
    std::size_t i = 0;
    for (; i < code.size(); ++i)
        if (lang[i] == '\0' || lowerAscii(lang[i]) != lowerAscii(code[i]))
            return false;
    return lang[i] == '\0' || lang[i] == '-';
}

// How much of each text is kept: what its record can hold, and a byte more
// so that a cut can tell where the last character ends.
constexpr std::size_t kKeep[] = {
    kTitleMax + 1,        // title
    kDescriptionMax + 1,  // sub-title
    kDescriptionMax + 1,  // desc
    kGenreMax + 1,        // category
    kTitleMax + 1,        // display-name
};

}  // namespace

XmltvCollection::XmltvCollection(XmltvSelection wanted) : selection(std::move(wanted)) {
    // One channel per distinct id; each entry of the list points at its
    // channel, so an id listed twice shares one.
    for (const std::string& id : selection.channelIds) {
        const std::string key = lowerCase(id.c_str());
        std::size_t index = 0;
        while (index < channels.size() && channels[index].key != key)
            ++index;
        if (index == channels.size()) {
            channels.emplace_back();
            channels.back().key = key;
        }
        listToChannel.push_back(index);
    }
    // The channels by key, for lookup. Their numbers are sorted, not the
    // channels, which keeps the code small on the box.
    for (std::size_t i = 0; i < channels.size(); ++i)
        byKey.push_back(i);
    std::sort(byKey.begin(), byKey.end(),
              [this](std::size_t a, std::size_t b) { return channels[a].key < channels[b].key; });
}

int XmltvCollection::findChannel(const char* id) const {
    const std::string key = lowerCase(id);
    const auto found = std::lower_bound(byKey.begin(), byKey.end(), key,
                                        [this](std::size_t index, const std::string& k) { return channels[index].key < k; });
    return found != byKey.end() && channels[*found].key == key ? static_cast<int>(*found) : -1;
}

int XmltvCollection::programmeChannel(const char* id) {
    if (haveLast && lastId == id)
        return lastChannel;
    haveLast = true;
    lastId = id;
    lastChannel = findChannel(id);
    if (selection.listChannels && programmeKeys.insert(lowerCase(id)).second)
        programmeIds.push_back(lastId);
    return lastChannel;
}

int XmltvCollection::languageRank(const char* lang) const {
    const int count = static_cast<int>(selection.languages.size());
    if (lang)
        for (int i = 0; i < count; ++i)
            if (languageMatches(lang, selection.languages[static_cast<std::size_t>(i)]))
                return i;
    return count;
}

void XmltvCollection::resetCandidates() {
    for (Candidate& candidate : candidates) {
        candidate.text.clear();
        candidate.found = false;
    }
}

bool XmltvCollection::elementStarted(int depth, const char* name, const char** attributes) {
    if (depth == 1) {
        if (std::strcmp(name, "programme") == 0)
            startProgramme(attributes);
        else if (std::strcmp(name, "channel") == 0)
            startChannel(attributes);
        return false;
    }
    if (depth != 2 || part == Part::None)
        return false;

    int kind = -1;
    if (part == Part::Programme) {
        if (std::strcmp(name, "title") == 0)
            kind = Title;
        else if (std::strcmp(name, "sub-title") == 0)
            kind = SubTitle;
        else if (std::strcmp(name, "desc") == 0)
            kind = Description;
        else if (std::strcmp(name, "category") == 0)
            kind = Category;
    } else if (std::strcmp(name, "display-name") == 0) {
        kind = DisplayName;
    }
    if (kind < 0)
        return false;
    // One as good or better came before: this one's text is not needed.
    const int rank = languageRank(attribute(attributes, "lang"));
    if (candidates[kind].found && rank >= candidates[kind].rank)
        return false;
    captureKind = kind;
    captureRank = rank;
    scratch.clear(kKeep[kind]);
    return true;
}

void XmltvCollection::text(const char* bytes, std::size_t size) {
    if (captureKind >= 0)
        scratch.append(bytes, size);
}

void XmltvCollection::elementEnded(int depth) {
    if (depth == 2 && captureKind >= 0) {
        Candidate& candidate = candidates[captureKind];
        candidate.text.swap(scratch.text());
        candidate.rank = captureRank;
        candidate.found = true;
        captureKind = -1;
    } else if (depth == 1 && part == Part::Programme) {
        endProgramme();
    } else if (depth == 1 && part == Part::Channel) {
        endChannel();
    }
}

void XmltvCollection::startProgramme(const char** attributes) {
    ++programmesSeen;
    const char* id = attribute(attributes, "channel");
    const int index = id ? programmeChannel(id) : -1;
    if (index < 0)
        return;
    Channel& channel = channels[static_cast<std::size_t>(index)];
    ++channel.stats.programmes;

    // A programme whose start can't be read is left out; a stop that can't
    // be read counts as none.
    const char* startText = attribute(attributes, "start");
    const char* stopText = attribute(attributes, "stop");
    long long start = 0;
    if (!startText || !parseXmltvTime(startText, start))
        return;
    long long stop = 0;
    const bool hasStop = stopText && parseXmltvTime(stopText, stop);

    // After the window only the earliest start matters: it may end the
    // last programme in the window, and no later one is ever written.
    if (start >= selection.windowEnd) {
        if (!channel.hasLater || start < channel.later)
            channel.later = start;
        channel.hasLater = true;
        return;
    }
    // Over before the window starts: never written, but its start still
    // counts among equal starts.
    if (hasStop && stop <= selection.windowStart) {
        channel.programmes.push_back(XmltvProgramme{start, stop, true, {}, {}, {}});
        return;
    }
    part = Part::Programme;
    current = index;
    programme = XmltvProgramme{start, stop, hasStop, {}, {}, {}};
    resetCandidates();
}

void XmltvCollection::endProgramme() {
    part = Part::None;
    // Copies, not moves, so that each kept text takes no more room than
    // it needs.
    programme.title.assign(candidates[Title].text);
    programme.genre.assign(candidates[Category].text);
    programme.description = composeDescription(candidates[SubTitle].text, candidates[Description].text);
    channels[static_cast<std::size_t>(current)].programmes.push_back(std::move(programme));
}

void XmltvCollection::startChannel(const char** attributes) {
    const char* id = attribute(attributes, "id");
    if (!id)
        return;
    const int index = findChannel(id);
    if (index >= 0)
        channels[static_cast<std::size_t>(index)].stats.declared = true;
    if (!selection.listChannels)
        return;
    part = Part::Channel;
    channelId = id;
    resetCandidates();
}

void XmltvCollection::endChannel() {
    part = Part::None;
    const Candidate& name = candidates[DisplayName];
    declaredKeys.insert(lowerCase(channelId.c_str()));
    declared.push_back(XmltvChannelName{
        channelId, name.found ? name.text.substr(0, utf8Prefix(name.text, kTitleMax)) : channelId});
}

void XmltvCollection::finish() {
    for (Channel& channel : channels) {
        if (channel.hasLater)
            channel.programmes.push_back(XmltvProgramme{channel.later, 0, false, {}, {}, {}});
        channel.events = xmltvEvents(std::move(channel.programmes), selection.windowStart, selection.windowEnd);
        channel.programmes = {};
    }
    for (const std::string& id : programmeIds)
        if (declaredKeys.count(lowerCase(id.c_str())) == 0)
            undeclared.push_back(id);
}

const std::vector<XmltvEvent>& XmltvCollection::events(std::size_t listIndex) const {
    return channels[listToChannel[listIndex]].events;
}

XmltvChannelStats XmltvCollection::stats(std::size_t listIndex) const {
    return channels[listToChannel[listIndex]].stats;
}
