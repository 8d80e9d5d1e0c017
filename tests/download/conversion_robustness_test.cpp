// conversion_robustness_test.cpp: random and mangled documents keep the EPG file's shape.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "naive_conversion.h"

namespace {

const std::time_t kMidnight = 1204844400;

// A small deterministic generator, so that a failure repeats everywhere.
class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed) {}
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // 0 .. n-1
    std::size_t below(std::size_t n) { return next() % n; }
    bool chance(std::size_t inN) { return below(inN) == 0; }

private:
    std::uint32_t state;
};

const char* const kTags[] = {"<title>",       "</title>",       "<genre>",     "</genre>",
                             "<description>", "</description>", "<startTime>", "</event>",
                             "<event>",       "<titl",          "</even",      "</description"};

class DocumentMaker {
public:
    DocumentMaker(Random& random, bool lineBreaks) : random(random), lineBreaks(lineBreaks) {}

    std::string document() {
        std::string text = random.chance(3) ? tokenSoup() : listing();
        for (std::size_t mutations = random.below(5); mutations > 0; --mutations)
            mutate(text);
        return text;
    }

    std::string text(std::size_t longest) {
        std::size_t length = random.below(12);
        if (random.chance(40))
            length = longest - 5 + random.below(longest / 10 + 10);
        static const char plain[] = "abcXYZ %d&;<>/:0123456789 ";
        std::string result;
        for (std::size_t i = 0; i < length; ++i) {
            if (lineBreaks && random.chance(8))
                result += static_cast<char>(random.chance(2) ? '\n' : 1 + random.below(255));
            else
                result += plain[random.below(sizeof plain - 1)];
        }
        return result;
    }

private:
    std::string time() {
        if (random.chance(6))
            return text(6);
        std::string hhmm;
        for (int i = 0; i < 5; ++i)
            hhmm += i == 2 ? ':' : static_cast<char>('0' + random.below(i % 3 == 0 ? 3 : 10));
        return hhmm;
    }

    std::string element(const std::string& name, std::size_t longest) {
        return "<" + name + ">" + text(longest) + "</" + name + ">";
    }

    std::string listing() {
        std::string result = "<events>";
        for (std::size_t events = random.below(12); events > 0; --events) {
            std::vector<std::string> fields;
            if (!random.chance(8))
                fields.push_back(element("title", 260));
            if (random.chance(2))
                fields.push_back(element("genre", 260));
            if (random.chance(2))
                fields.push_back(element("description", 5000));
            if (!random.chance(4))
                fields.push_back("<startTime>" + time() + "</startTime>");
            result += "<event>";
            while (!fields.empty()) {
                const std::size_t pick = random.below(fields.size());
                result += fields[pick];
                fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(pick));
            }
            result += "</event>";
        }
        return result + "</events>";
    }

    std::string token() {
        switch (random.below(4)) {
        case 0: return text(260);
        case 1: return time();
        default: return kTags[random.below(sizeof kTags / sizeof kTags[0])];
        }
    }

    std::string tokenSoup() {
        std::string result;
        for (std::size_t tokens = random.below(60); tokens > 0; --tokens)
            result += token();
        return result;
    }

    void mutate(std::string& text) {
        const std::size_t at = random.below(text.size() + 1);
        const std::size_t span = std::min(random.below(24), text.size() - at);
        switch (random.below(5)) {
        case 0: text.erase(at, span); break;
        case 1: text.insert(at, text.substr(at, span)); break;
        case 2: text.insert(at, token()); break;
        case 3: text.resize(at); break;
        default:
            if (at < text.size())
                text[at] = "<>/%e"[random.below(5)];
        }
    }

    Random& random;
    bool lineBreaks;
};

bool isNumber(const std::string& s, std::string::size_type from = 0) {
    if (from < s.size() && s[from] == '-')
        ++from;
    if (from >= s.size())
        return false;
    for (std::string::size_type i = from; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// Checks blocks "C n name" ... "c" and records of the seven lines E, T, X,
// S, L, D, e in order, for output whose texts hold no line breaks.
::testing::AssertionResult hasEpgShape(const std::string& out, const std::vector<ChannelInput>& channels) {
    std::vector<std::string> lines;
    std::string::size_type from = 0;
    for (std::string::size_type end; (end = out.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(out.substr(from, end - from));
    if (from != out.size())
        return ::testing::AssertionFailure() << "text after the last line end";
    std::size_t i = 0;
    for (std::size_t ordinal = 1; ordinal <= channels.size(); ++ordinal) {
        const std::string header = "C " + std::to_string(ordinal) + " " + channels[ordinal - 1].name;
        if (i >= lines.size() || lines[i] != header)
            return ::testing::AssertionFailure() << "line " << i << ": expected " << header;
        ++i;
        for (int sequence = 1; i < lines.size() && lines[i] != "c"; ++sequence, i += 7) {
            if (i + 7 > lines.size())
                return ::testing::AssertionFailure() << "record cut short at line " << i;
            const std::string e = lines[i];
            const std::string prefix = "E " + std::to_string(sequence) + " ";
            const std::string::size_type gap = e.find(' ', prefix.size());
            if (e.compare(0, prefix.size(), prefix) != 0 || gap == std::string::npos)
                return ::testing::AssertionFailure() << "line " << i << ": bad E line " << e;
            const std::string start = e.substr(prefix.size(), gap - prefix.size());
            const std::string seconds = e.substr(gap + 1);
            const std::string& l = lines[i + 4];
            const bool ok = isNumber(start) && isNumber(seconds) && lines[i + 1].rfind("T ", 0) == 0 &&
                            lines[i + 2] == "X " + start && lines[i + 3].rfind("S ", 0) == 0 &&
                            l.rfind("L ", 0) == 0 && isNumber(l, 2) &&
                            std::stoll(seconds) == std::stoll(l.substr(2)) * 60 &&
                            lines[i + 5].rfind("D ", 0) == 0 && lines[i + 6] == "e";
            if (!ok)
                return ::testing::AssertionFailure() << "bad record at line " << i;
            if (lines[i + 1].size() > 2 + 255 || lines[i + 3].size() > 2 + 255)
                return ::testing::AssertionFailure() << "title or genre over 255 at line " << i;
            std::size_t length = 7 + 4 - seconds.size() - (l.size() - 2);
            for (std::size_t k = i; k < i + 7; ++k)
                length += lines[k].size();
            if (length > 4999)
                return ::testing::AssertionFailure() << "record over 4999 characters at line " << i;
        }
        if (i >= lines.size())
            return ::testing::AssertionFailure() << "block " << ordinal << " without its trailer";
        ++i;
    }
    if (i != lines.size())
        return ::testing::AssertionFailure() << "lines after the last block";
    return ::testing::AssertionSuccess();
}

std::string naiveRun(const std::vector<ChannelInput>& channels) {
    std::string out;
    NaiveConverter converter;
    converter.beginRun();
    int ordinal = 0;
    for (const ChannelInput& channel : channels) {
        converter.beginChannel(out, ++ordinal, channel.name);
        long dayOffset = 0;
        for (const std::string& document : channel.documents)
            converter.convertDocument(out, document.c_str(), dayOffset += 86400, kMidnight);
        converter.endChannel(out);
    }
    return out;
}

void runRandomRuns(std::uint32_t seed, bool lineBreaks, int runs) {
    Random random(seed);
    DocumentMaker maker(random, lineBreaks);
    for (int run = 0; run < runs; ++run) {
        std::vector<ChannelInput> channels(1 + random.below(3));
        for (ChannelInput& channel : channels) {
            channel.name = "Channel " + std::to_string(random.below(1000));
            channel.documents.resize(1 + random.below(3));
            for (std::string& document : channel.documents)
                document = maker.document();
        }
        const std::string written = convertRun(channels, kMidnight);
        ASSERT_EQ(written, naiveRun(channels)) << "run " << run << " of seed " << seed;
        if (!lineBreaks) {
            ASSERT_TRUE(hasEpgShape(written, channels)) << "run " << run << " of seed " << seed;
        }
    }
}

TEST(ConversionRobustness, RandomDocumentsKeepTheFileShape) {
    ZoneGuard zone("Europe/Rome");
    runRandomRuns(20081207, false, 2000);
}

TEST(ConversionRobustness, RandomBytesMatchThePlainReading) {
    ZoneGuard zone("UTC");
    runRandomRuns(7031970, true, 1000);
}

}  // namespace
