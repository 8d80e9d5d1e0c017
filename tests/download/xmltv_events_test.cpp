// xmltv_events_test.cpp: the rules that make XMLTV programmes events: times, texts, order, ends, window, records, days.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "epg_file.h"
#include "xmltv_events.h"
#include "xmltv_fields.h"
#include "written_text.h"

namespace {

struct TimeCase {
    const char* text;
    bool readable;
    long long instant;
};

TEST(XmltvTime, ReadsTheFormsXmltvWritesAndNothingElse) {
    const TimeCase cases[] = {
        {"19700101000000 +0000", true, 0},
        {"197001010000", true, 0},  // no seconds, no offset: UTC
        {"20000229120000", true, 951825600},
        {"20000229120000 +0000", true, 951825600},
        {"20000229173000 +0530", true, 951825600},  // the offset's minutes count
        {"20000229083000 -0330", true, 951825600},
        {"200002291730 +0530", true, 951825600},    // an offset without seconds
        {"20000229120059", true, 951825659},
        {"19691231235959", true, -1},
        {"20380119031408 +0000", true, 2147483648LL},  // past a 32-bit time_t
        {"21000101000000", true, 4102444800LL},
        {"19000301000000", true, -2203891200LL},
        {"20000229235959 -2359", true, 951825600 + 43199 + 86340},
        {"", false, 0},
        {"20000229", false, 0},           // a date alone
        {"2000022912", false, 0},         // hours without minutes
        {"2000022912000", false, 0},      // one digit of seconds
        {"20000229120000+0100", false, 0},  // no blank before the offset
        {"20000229120000  +0100", false, 0},
        {"20000229120000 +01", false, 0},
        {"20000229120000 +01000", false, 0},
        {"20000229120000 0100", false, 0},
        {"20000229120000 BST", false, 0},  // zone names are not read
        {"20000229120000 ", false, 0},
        {"2000022912000x", false, 0},
        {"20001329120000", false, 0},  // month 13
        {"20000230120000", false, 0},  // 30 February
        {"19000229120000", false, 0},  // 1900 is no leap year
        {"20000229240000", false, 0},
        {"20000229126000", false, 0},
        {"20000229120060", false, 0},
        {"20000229120000 +2400", false, 0},
        {"20000229120000 +0060", false, 0},
        {"-2000229120000", false, 0},
    };
    for (const TimeCase& c : cases) {
        long long instant = 12345;
        EXPECT_EQ(parseXmltvTime(c.text, instant), c.readable) << '"' << c.text << '"';
        if (c.readable) {
            EXPECT_EQ(instant, c.instant) << '"' << c.text << '"';
        }
    }
}

TEST(XmltvTime, CountsDaysAcrossErasAndLeapYears) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
    EXPECT_EQ(daysFromCivil(2000, 3, 1) - daysFromCivil(2000, 2, 28), 2);
    EXPECT_EQ(daysFromCivil(2100, 3, 1) - daysFromCivil(2100, 2, 28), 1);
    EXPECT_EQ(daysFromCivil(2400, 1, 1) - daysFromCivil(2000, 1, 1), 146097);
    EXPECT_EQ(daysFromCivil(1600, 1, 1) - daysFromCivil(2000, 1, 1), -146097);
}

TEST(XmltvText, RemovesControlsThenMakesBlankRunsOneBlank) {
    const std::pair<const char*, const char*> cases[] = {
        {"News", "News"},
        {"  News  ", "News"},
        {"Late\t\tnight\r\n news", "Late night news"},
        {"\n\t \r", ""},
        {"a\x01" "b", "ab"},            // a control goes without a trace
        {"a \x01 b", "a b"},            // ... and then the blanks around it are one run
        {"a\x7f" "b", "ab"},
        {"a\xc2\x85" "b", "ab"},        // U+0085
        {"a\xc2\x80\xc2\x9f" "b", "ab"},  // U+0080 and U+009F
        {"\xc2\xa0" "a", "\xc2\xa0" "a"},  // U+00A0 is no control, nor a blank of ours
        {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
        {"\xc2\x85  x  \xc2\x85", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cleanXmltvText(c.first), c.second) << '"' << c.first << '"';
}

TEST(XmltvText, CleansTheSameWhereverThePiecesBreak) {
    const std::string raw = "  one\xc2\x85\t two \xc2\xa0three\r\n";
    for (std::size_t cut = 0; cut <= raw.size(); ++cut) {
        XmltvText text(100);
        text.append(raw.data(), cut);
        text.append(raw.data() + cut, raw.size() - cut);
        EXPECT_EQ(text.text(), "one two \xc2\xa0three") << "cut at " << cut;
    }
}

TEST(XmltvText, KeepsNoMoreThanAskedAndCutsOnlyBetweenCharacters) {
    XmltvText text(5);
    text.append("  ab   cdefgh", 13);
    EXPECT_EQ(text.text(), "ab cd");

    const std::string euros = "\xe2\x82\xac\xe2\x82\xac";  // two 3-byte characters
    EXPECT_EQ(utf8Prefix(euros, 6), 6u);
    EXPECT_EQ(utf8Prefix(euros, 5), 3u);
    EXPECT_EQ(utf8Prefix(euros, 3), 3u);
    EXPECT_EQ(utf8Prefix(euros, 2), 0u);
    EXPECT_EQ(utf8Prefix("abc", 10), 3u);
}

TEST(XmltvText, DescriptionIsSubTitleThenDescription) {
    EXPECT_EQ(composeDescription("Part one", "The start."), "Part one - The start.");
    EXPECT_EQ(composeDescription("Part one", ""), "Part one");
    EXPECT_EQ(composeDescription("", "The start."), "The start.");
    EXPECT_EQ(composeDescription("", ""), "");
    const std::string long_(kDescriptionMax, 'x');
    EXPECT_EQ(composeDescription("Sub", long_).size(), kDescriptionMax + 1);
}

// A programme of the table: start and stop in minutes from the window's
// start (stop -1: none), and its title.
struct Row {
    long long start;
    long long stop;
    const char* title;
};
// An event expected: start and end in minutes, and its title.
struct Expected {
    long long start;
    long long end;
    const char* title;
};

constexpr long long kWindowStart = 1899331200;  // 2030-03-10 00:00 UTC
constexpr long long kWindowMinutes = 24 * 60;

std::vector<XmltvProgramme> programmesOf(const std::vector<Row>& rows) {
    std::vector<XmltvProgramme> programmes;
    for (const Row& row : rows)
        programmes.push_back(XmltvProgramme{kWindowStart + row.start * 60, kWindowStart + row.stop * 60,
                                            row.stop != -1, row.title, "", ""});
    return programmes;
}

struct RuleCase {
    const char* rule;
    std::vector<Row> programmes;
    std::vector<Expected> events;
};

TEST(XmltvEvents, FollowTheRulesOfOrderEndsAndWindow) {
    const RuleCase cases[] = {
        {"stops given", {{0, 60, "A"}, {60, 90, "B"}}, {{0, 60, "A"}, {60, 90, "B"}}},
        {"ordered by start", {{60, 90, "B"}, {0, 60, "A"}}, {{0, 60, "A"}, {60, 90, "B"}}},
        {"a gap stays a gap", {{0, 30, "A"}, {60, 90, "B"}}, {{0, 30, "A"}, {60, 90, "B"}}},
        {"the same start: the first in the guide stays",
         {{60, 90, "B"}, {0, 60, "A"}, {0, 30, "A2"}, {0, 45, "A3"}},
         {{0, 60, "A"}, {60, 90, "B"}}},
        {"no stop: the next start", {{0, -1, "A"}, {45, 90, "B"}}, {{0, 45, "A"}, {45, 90, "B"}}},
        {"no stop and no next: dropped", {{0, 60, "A"}, {60, -1, "B"}}, {{0, 60, "A"}}},
        {"an end past the next start is cut", {{0, 90, "A"}, {60, 120, "B"}}, {{0, 60, "A"}, {60, 120, "B"}}},
        {"a stop at the start: dropped", {{0, 0, "A"}, {10, 20, "B"}}, {{10, 20, "B"}}},
        {"a stop before the start: dropped", {{30, 10, "A"}, {40, 50, "B"}}, {{40, 50, "B"}}},
        {"a dropped programme still ends the one before it",
         {{0, 90, "A"}, {60, 60, "B"}, {70, 80, "C"}},
         {{0, 60, "A"}, {70, 80, "C"}}},
        {"a duplicate start ends nothing: the next one kept does",
         {{0, -1, "A"}, {30, 40, "B"}, {30, 50, "B2"}, {50, 60, "C"}},
         {{0, 30, "A"}, {30, 40, "B"}, {50, 60, "C"}}},
        {"before the window: dropped; across its start: kept",
         {{-120, -60, "A"}, {-60, 0, "B"}, {-30, 30, "C"}, {30, 60, "D"}},
         {{-30, 30, "C"}, {30, 60, "D"}}},
        {"across the window's end: kept; at it and after: dropped",
         {{kWindowMinutes - 30, kWindowMinutes + 30, "A"},
          {kWindowMinutes + 30, kWindowMinutes + 60, "B"},
          {kWindowMinutes + 60, -1, "C"}},
         {{kWindowMinutes - 30, kWindowMinutes + 30, "A"}}},
        {"a start at the window's end is outside", {{kWindowMinutes, kWindowMinutes + 60, "A"}}, {}},
        {"the next start after the window still ends the last one",
         {{kWindowMinutes - 30, -1, "A"}, {kWindowMinutes + 15, -1, "B"}},
         {{kWindowMinutes - 30, kWindowMinutes + 15, "A"}}},
        {"the last programme is kept when it has a stop", {{0, 30, "A"}}, {{0, 30, "A"}}},
        {"nothing", {}, {}},
    };
    for (const RuleCase& c : cases) {
        const std::vector<XmltvEvent> events =
            xmltvEvents(programmesOf(c.programmes), kWindowStart, kWindowStart + kWindowMinutes * 60);
        std::vector<std::string> got, want;
        for (const XmltvEvent& e : events)
            got.push_back(std::to_string((e.start - kWindowStart) / 60) + "-" +
                          std::to_string((e.end - kWindowStart) / 60) + " " + e.title);
        for (const Expected& e : c.events)
            want.push_back(std::to_string(e.start) + "-" + std::to_string(e.end) + " " + e.title);
        EXPECT_EQ(got, want) << c.rule;
    }
}

std::string written(const std::vector<XmltvEvent>& events) {
    return writtenText([&](std::FILE* out) { writeXmltvEvents(out, events); });
}

TEST(XmltvEvents, RecordsGiveTheTrueStartAndTheLengthInSecondsAndMinutes) {
    const std::vector<XmltvEvent> events = {
        {kWindowStart - 1800, kWindowStart + 1830, "Night Owls", "Talk", "Until dawn."},
        {kWindowStart + 1830, kWindowStart + 1889, "Short", "", ""},
    };
    EXPECT_EQ(written(events),
              "E 1 1899329400 3630\nT Night Owls\nX 1899329400\nS Talk\nL 60\nD Until dawn.\ne\n"
              "E 2 1899333030 59\nT Short\nX 1899333030\nS \nL 0\nD \ne\n");
}

TEST(XmltvEvents, RecordsCutTextsToTheirRoomBetweenCharacters) {
    std::string title;
    for (int i = 0; i < 150; ++i)
        title += "\xc3\xa9";  // 300 bytes of two-byte characters
    const std::string genre(300, 'g');
    std::string description;
    while (description.size() < 6000)
        description += "\xe2\x82\xac";  // the euro sign, three bytes
    const std::vector<XmltvEvent> events = {{kWindowStart, kWindowStart + 60, title, genre, description}};
    const std::string record = written(events);

    const std::string titleLine = record.substr(record.find("\nT ") + 3, record.find("\nX ") - record.find("\nT ") - 3);
    EXPECT_EQ(titleLine.size(), 254u);  // 255 would split a character
    EXPECT_EQ(titleLine, title.substr(0, 254));
    const std::size_t genreAt = record.find("\nS ") + 3;
    EXPECT_EQ(record.substr(genreAt, record.find('\n', genreAt) - genreAt), genre.substr(0, kGenreMax));
    const std::size_t descriptionAt = record.find("\nD ") + 3;
    const std::string descriptionLine = record.substr(descriptionAt, record.find('\n', descriptionAt) - descriptionAt);
    EXPECT_EQ(descriptionLine.size() % 3, 0u);
    EXPECT_EQ(descriptionLine, description.substr(0, descriptionLine.size()));
    const std::size_t room = descriptionRoom(1, kWindowStart, titleLine, genre.substr(0, kGenreMax));
    EXPECT_LE(descriptionLine.size(), room);
    EXPECT_GT(descriptionLine.size() + 3, room);
}

TEST(XmltvEvents, ADayCountsWhenAnEventStartsOnIt) {
    // Three local days of 24, 23 and 25 hours, as at changes of summer time.
    const long long day0 = kWindowStart;
    const std::vector<long long> dayStarts = {day0, day0 + 24 * 3600, day0 + 47 * 3600, day0 + 72 * 3600};
    auto eventsAt = [](std::vector<long long> starts) {
        std::vector<XmltvEvent> events;
        for (long long start : starts)
            events.push_back(XmltvEvent{start, start + 60, "", "", ""});
        return events;
    };
    EXPECT_EQ(countEventDays(eventsAt({}), dayStarts), 0);
    EXPECT_EQ(countEventDays(eventsAt({day0 - 60}), dayStarts), 0);  // began the day before
    EXPECT_EQ(countEventDays(eventsAt({day0, day0 + 3600, day0 + 24 * 3600 - 1}), dayStarts), 1);
    EXPECT_EQ(countEventDays(eventsAt({day0 + 24 * 3600, day0 + 47 * 3600 - 1}), dayStarts), 1);
    EXPECT_EQ(countEventDays(eventsAt({day0 + 23 * 3600, day0 + 71 * 3600}), dayStarts), 2);
    EXPECT_EQ(countEventDays(eventsAt({day0, day0 + 24 * 3600, day0 + 47 * 3600}), dayStarts), 3);
    EXPECT_EQ(countEventDays(eventsAt({day0 + 72 * 3600}), dayStarts), 0);  // after the window
    EXPECT_EQ(countEventDays(eventsAt({day0}), {day0}), 0);
}

}  // namespace
