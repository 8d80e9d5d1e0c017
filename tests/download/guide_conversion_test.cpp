// guide_conversion_test.cpp: the EPG file that guide documents turn into, byte for byte.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "guide_conversion.h"
#include "tag_scanner.h"

namespace {

// Any local midnight does: the conversion only adds it.
const std::time_t kMidnight = 1204844400;

// One <event> element of a guide document; fields left out are absent.
class Event {
public:
    explicit Event(const std::string& title) : text("<title>" + title + "</title>") {}
    Event() = default;
    Event& genre(const std::string& g) { return add("<genre>" + g + "</genre>"); }
    Event& description(const std::string& d) { return add("<description>" + d + "</description>"); }
    Event& at(const std::string& hhmm) { return add("<startTime>" + hhmm + ":00</startTime>"); }
    Event& raw(const std::string& text) { return add(text); }
    operator std::string() const { return "<event><id>7</id>" + text + "</event>\n"; }

private:
    Event& add(const std::string& s) {
        text += s;
        return *this;
    }
    std::string text;
};

std::string listing(const std::vector<std::string>& events) {
    std::string document = "<?xml version=\"1.0\"?>\n<events>\n";
    for (const std::string& event : events)
        document += event;
    return document + "</events>\n";
}

// The record the EPG file holds for an event.
std::string record(int sequence, long long start, long long minutes, const std::string& title,
                   const std::string& genre = "", const std::string& description = "") {
    return "E " + std::to_string(sequence) + " " + std::to_string(start) + " " +
           std::to_string(minutes * 60) + "\nT " + title + "\nX " + std::to_string(start) +
           "\nS " + genre + "\nL " + std::to_string(minutes) + "\nD " + description + "\ne\n";
}

// Seconds after local midnight at which the conversion puts a time of day on
// day 1 when the box runs in UTC: one hour past it.
long long utcDay(int day, int hour, int minute) {
    return (day - 1) * 86400LL + hour * 3600 + minute * 60 + 3600;
}

std::vector<std::string> workedExampleDays() {
    return {listing({Event("News").genre("Info").description("Headlines").at("18:45"),
                     Event("Film").genre("Cinema").description("A long film").at("20:30"),
                     Event("Late show").at("23:30")}),
            listing({Event("Night film").at("01:15"), Event("Test card").at("02:00")})};
}

TEST(GuideConversion, WorkedExampleInUtc) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string expected =
        "C 1 Rai Uno\n"
        "E 1 " + std::to_string(m + 71100) + " 6300\nT News\nX " + std::to_string(m + 71100) +
        "\nS Info\nL 105\nD Headlines\ne\n"
        "E 2 " + std::to_string(m + 77400) + " 10800\nT Film\nX " + std::to_string(m + 77400) +
        "\nS Cinema\nL 180\nD A long film\ne\n"
        // 23:30 followed by 01:15 of the next day: the hour falls, 105 minutes.
        "E 3 " + std::to_string(m + 88200) + " 6300\nT Late show\nX " +
        std::to_string(m + 88200) + "\nS \nL 105\nD \ne\n"
        // The day's offset moves the next day on by 86400; the channel's
        // last event has no successor and is dropped.
        "E 4 " + std::to_string(m + 94500) + " 2700\nT Night film\nX " +
        std::to_string(m + 94500) + "\nS \nL 45\nD \ne\n"
        "c\n";
    EXPECT_EQ(convertChannel("Rai Uno", workedExampleDays(), kMidnight), expected);
}

TEST(GuideConversion, ZoneOfJanuary1970CancelsTheAddedHour) {
    ZoneGuard zone("Europe/Rome");
    const long long m = kMidnight;
    const std::string expected = "C 1 Rai Uno\n" +
                                 record(1, m + 67500, 105, "News", "Info", "Headlines") +
                                 record(2, m + 73800, 180, "Film", "Cinema", "A long film") +
                                 record(3, m + 84600, 105, "Late show") +
                                 record(4, m + 86400 + 4500, 45, "Night film") + "c\n";
    EXPECT_EQ(convertChannel("Rai Uno", workedExampleDays(), kMidnight), expected);
}

TEST(GuideConversion, LocalTime2UTCTakesTheOffsetAtTheInstantItself) {
    const long summer = 1214913600;  // 1 July 2008, 12:00 UTC
    {
        ZoneGuard zone("UTC");
        EXPECT_EQ(LocalTime2UTC(73800), 73800);
        EXPECT_EQ(LocalTime2UTC(summer), summer);
    }
    ZoneGuard zone("Europe/Rome");
    EXPECT_EQ(LocalTime2UTC(73800), 73800 - 3600);
    EXPECT_EQ(LocalTime2UTC(summer), summer - 7200);
}

TEST(GuideConversion, DurationsWrapOnlyWhenTheHourFalls) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string document =
        listing({Event("A").at("10:50"), Event("B").at("10:40"), Event("C").at("23:00"),
                 Event("D").at("22:59"), Event("E").at("23:10")});
    EXPECT_EQ(convertChannel("X", {document}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 50), -10, "A") +
                  record(2, m + utcDay(1, 10, 40), 740, "B") +
                  record(3, m + utcDay(1, 23, 0), 1439, "C") +
                  record(4, m + utcDay(1, 22, 59), 11, "D") + "c\n");
}

TEST(GuideConversion, MissingFieldsAreTakenFromLaterEvents) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string document = listing({
        Event("A").genre("gA").description("dA").at("08:00"),
        Event("B"),  // takes genre, description and start of C
        Event("C").genre("gC").description("dC").at("09:30"),
        Event("D").at("10:00"),  // nothing follows: empty genre and description
        Event("E"),              // no start time anywhere after: keeps 10:00
        Event("F"),
    });
    EXPECT_EQ(convertChannel("X", {document}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 8, 0), 90, "A", "gA", "dA") +
                  record(2, m + utcDay(1, 9, 30), 0, "B", "gC", "dC") +
                  record(3, m + utcDay(1, 9, 30), 30, "C", "gC", "dC") +
                  record(4, m + utcDay(1, 10, 0), 0, "D") +
                  record(5, m + utcDay(1, 10, 0), 0, "E") + "c\n");
}

TEST(GuideConversion, TitlelessEventRepeatsTheNextTitle) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string document =
        listing({Event("A").at("08:00"), Event().genre("g2").at("09:00"),
                 Event("C").genre("g3").at("10:00"), Event("Z").at("11:00")});
    EXPECT_EQ(convertChannel("X", {document}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 8, 0), 60, "A", "g2") +
                  record(2, m + utcDay(1, 9, 0), 60, "C", "g2") +
                  record(3, m + utcDay(1, 10, 0), 60, "C", "g3") + "c\n");
}

TEST(GuideConversion, ChannelsKeepOnlyTheTimeOfDayOfTheOneBefore) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::vector<ChannelInput> channels = {
        {"One", {listing({Event("A").at("21:15"), Event("B").at("22:40")})}},
        // Without any start time the second channel's events take the
        // first channel's last one; its pending record and sequence restart.
        {"Two", {listing({Event("C"), Event("D")}), listing({Event("E").at("23:00"), Event("F")})}},
        // A single event in all gives an empty block.
        {"Three", {listing({Event("G").at("06:00")}), listing({})}},
    };
    EXPECT_EQ(convertRun(channels, kMidnight),
              "C 1 One\n" + record(1, m + utcDay(1, 21, 15), 85, "A") + "c\n" + "C 2 Two\n" +
                  record(1, m + utcDay(1, 22, 40), 0, "C") +
                  record(2, m + utcDay(1, 22, 40), 20, "D") +
                  record(3, m + utcDay(2, 23, 0), 0, "E") + "c\n" + "C 3 Three\nc\n");
}

TEST(GuideConversion, DocumentWithoutTitlesKeepsThePendingRecord) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::vector<std::string> days = {listing({Event("A").at("10:00")}),
                                           "<error>no listing today</error>",
                                           listing({Event("B").at("11:00"), Event("C")})};
    EXPECT_EQ(convertChannel("X", days, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 60, "A") +
                  record(2, m + utcDay(3, 11, 0), 0, "B") + "c\n");
}

TEST(GuideConversion, TextsGoOutByteForByte) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string title = "100%d %s%n%%  &amp; <b>caf\xe9</b> ";
    const std::string genre = "Line one\nLine two\r";
    const std::string description = "  %x%p\n\n&lt;tab\t";
    const std::string document = listing(
        {Event(title).genre(genre).description(description).at("07:05"), Event("next").at("07:35")});
    EXPECT_EQ(convertChannel("Name %d & more", {document}, kMidnight),
              "C 1 Name %d & more\n" + record(1, m + utcDay(1, 7, 5), 30, title, genre, description) +
                  "c\n");
}

TEST(GuideConversion, UnterminatedFieldsAreEmpty) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string document = listing(
        {Event("A").raw("<genre>never closed").at("10:00"), Event().raw("<title>open").at("11:00"),
         Event().raw("<description>open too").at("12:00"), Event("Z")});
    // A field runs on to its next closing tag wherever that stands; one
    // whose closing tag never comes is empty.
    EXPECT_EQ(convertChannel("X", {document}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 60, "A") +
                  record(2, m + utcDay(1, 11, 0), 60, "open<startTime>11:00:00</startTime></event>\n"
                                                      "<event><id>7</id><description>open too"
                                                      "<startTime>12:00:00</startTime></event>\n"
                                                      "<event><id>7</id><title>Z") +
                  record(3, m + utcDay(1, 12, 0), 0, "Z") + "c\n");

    const std::string unclosed =
        listing({Event("A").at("10:00"), Event().raw("<title>open").at("11:00"),
                 Event().raw("<title>open too").at("12:00")});
    EXPECT_EQ(convertChannel("X", {unclosed}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 60, "A") +
                  record(2, m + utcDay(1, 11, 0), 60, "") + "c\n");
}

TEST(GuideConversion, DocumentEndsBeforeAnUnfinishedEvent) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    // Cut short inside the third event: it is not converted, and its start
    // time does not become the current one.
    const std::string cut =
        listing({Event("A").at("10:00"), Event("B").at("11:00")}) + "<event><title>Cut</title><startTime>23:59";
    const std::string next = listing({Event("C"), Event("D").at("12:00")});
    EXPECT_EQ(convertChannel("X", {cut, next}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 60, "A") +
                  record(2, m + utcDay(1, 11, 0), 60, "B") +
                  record(3, m + utcDay(2, 12, 0), 0, "C") + "c\n");
}

TEST(GuideConversion, ShortStartTimeReadsOnlyWhatIsThere) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string first =
        listing({Event("A").at("10:00")}) + "<event><title>B</title></event><startTime>08:3";
    const std::string second = "<event><title>C</title></event><startTime>7";
    const std::string third = listing({Event("D").at("09:00"), Event("E")});
    EXPECT_EQ(convertChannel("X", {first, second, third}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 1323, "A") +
                  record(2, m + utcDay(1, 8, 3), 1377, "B") +
                  record(3, m + utcDay(2, 7, 0), 120, "C") +
                  record(4, m + utcDay(3, 9, 0), 0, "D") + "c\n");
}

TEST(GuideConversion, NulEndsTheDocument) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string document =
        listing({Event("A").at("10:00"), Event(std::string("B\0hidden", 8)).at("11:00")});
    const std::string next = listing({Event("C").at("12:00"), Event("D")});
    EXPECT_EQ(convertChannel("X", {document, next}, kMidnight),
              "C 1 X\n" + record(1, m + utcDay(1, 10, 0), 120, "A") +
                  record(2, m + utcDay(2, 12, 0), 0, "C") + "c\n");
}

// Splits a record at its line ends; only for texts without line breaks.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::string::size_type from = 0;
    for (std::string::size_type end; (end = text.find('\n', from)) != std::string::npos;
         from = end + 1)
        result.push_back(text.substr(from, end - from));
    return result;
}

TEST(GuideConversion, OverlongTextsAreCutToTheirBuffers) {
    ZoneGuard zone("UTC");
    const long long m = kMidnight;
    const std::string title(300, 't'), genre(400, 'g'), description(6000, 'd');
    const std::string document = listing({Event(title).genre(genre).description(description).at("10:00"),
                                          Event("short").description(std::string(4999, 'x')).at("11:00"),
                                          Event("last").at("12:00")});
    const std::vector<std::string> written = lines(convertChannel("X", {document}, kMidnight));
    ASSERT_EQ(written.size(), 1u + 7 + 7 + 1);
    EXPECT_EQ(written[0], "C 1 X");
    EXPECT_EQ(written[1], "E 1 " + std::to_string(m + utcDay(1, 10, 0)) + " 3600");
    EXPECT_EQ(written[2], "T " + std::string(255, 't'));
    EXPECT_EQ(written[4], "S " + std::string(255, 'g'));
    EXPECT_EQ(written[5], "L 60");
    EXPECT_EQ(written[7], "e");
    EXPECT_EQ(written[9], "T short");
    EXPECT_EQ(written[14], "e");
    EXPECT_EQ(written[15], "c");
    // Each record, with its two durations still open as "%d", fills the
    // 4999 characters of its buffer: the description gives way.
    for (int first : {1, 8}) {
        std::size_t length = 7;  // the line ends
        for (int i = first; i < first + 7; ++i)
            length += written[i].size();
        length += 2 + 2 - std::string("3600").size() - std::string("60").size();
        EXPECT_EQ(length, 4999u) << "record at line " << first;
        const std::string& d = written[first + 5];
        EXPECT_EQ(d.substr(0, 2), "D ");
        EXPECT_EQ(d.find_first_not_of(first == 1 ? 'd' : 'x', 2), std::string::npos);
    }
}

TEST(TagScanner, FindsOnlyWholeTagsBeforeTheEnd) {
    const std::string text = "<<tit<title><title>tail<title>";
    // The end stands one character into the last tag, which is then cut.
    const char* const end = text.data() + text.size() - 6;
    NextTag tag("<title>", end);
    EXPECT_EQ(tag.find(text.data()), text.data() + 5);
    EXPECT_EQ(tag.find(text.data() + 6), text.data() + 12);
    EXPECT_EQ(tag.find(text.data() + 13), nullptr);
    EXPECT_EQ(tag.find(end), nullptr);
}

TEST(TagScanner, RemembersTheNextOccurrenceInsteadOfSearchingAgain) {
    std::string text = "....<x>....<x>....";
    const char* const begin = text.data();
    NextTag tag("<x>", begin + text.size());
    ASSERT_EQ(tag.find(begin), begin + 4);
    // Written where the last search has looked already: asks up to the
    // occurrence it found are answered from memory, and so never see it.
    text.replace(0, 3, "<x>");
    EXPECT_EQ(tag.find(begin), begin + 4);
    EXPECT_EQ(tag.find(begin + 4), begin + 4);
    // Past it, the search goes on from there.
    EXPECT_EQ(tag.find(begin + 5), begin + 11);
    ASSERT_EQ(tag.find(begin + 12), nullptr);
    // Nothing found is remembered for every position on.
    text.replace(15, 3, "<x>");
    EXPECT_EQ(tag.find(begin + 14), nullptr);
}

// The processor time of converting a document, the least of a few runs, so
// that a busy machine can only make it look slower.
double conversionSeconds(const std::string& document) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) {
        ADD_FAILURE() << "cannot open /dev/null";
        return 0;
    }
    double least = 1e9;
    for (int run = 0; run < 5; ++run) {
        GuideConverter converter;
        const std::clock_t before = std::clock();
        converter.beginRun();
        writeChannelHeader(sink, 1, "X");
        converter.beginChannel();
        converter.convertDocument(sink, document.c_str(), 86400, kMidnight);
        writeChannelTrailer(sink);
        least = std::min(least, static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC);
    }
    std::fclose(sink);
    return least;
}

// Events with nothing but a title: a search for their genre, description
// or start time finds none in the rest of the document.
std::string tinyEvents(int count) {
    std::string document = "<events>";
    for (int i = 0; i < count; ++i)
        document += "<event><title>" + std::to_string(i % 10) + "</title></event>";
    return document + "</events>";
}

TEST(GuideConversion, TinyEventsCostInProportionToTheDocumentsSize) {
    ZoneGuard zone("Europe/Rome");
    const double small = conversionSeconds(tinyEvents(1000));
    const double large = conversionSeconds(tinyEvents(8000));
    // Eight times the document costs about eight times as much when every
    // byte is searched a bounded number of times; searching the rest of the
    // document again for each event would cost some 60 times as much.
    EXPECT_LT(large, 20 * small) << "1000 events: " << small << " s, 8000: " << large << " s";
}

}  // namespace
