// xmltv_reader_test.cpp: whole guides through the reader: plain, gzip and xz, in any pieces, what is kept, and every way a guide fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <lzma.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "temp_folder.h"
#include "written_text.h"
#include "xmltv_decoder.h"
#include "xmltv_file.h"
#include "xmltv_reader.h"
#include "xmltv_source.h"
#include "zone_guard.h"

namespace {

constexpr long long kDay = 86400;
constexpr long long kWindowStart = 1899331200;  // 2030-03-10 00:00 UTC, the fixtures' day

std::string fixture(const std::string& name) { return readFile(std::string(XMLTV_FIXTURES) + "/" + name); }

std::string gzipped(const std::string& data) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string packed(deflateBound(&stream, data.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&packed[0]);
    stream.avail_out = static_cast<uInt>(packed.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

std::string xzed(const std::string& data) {
    std::string packed(lzma_stream_buffer_bound(data.size()), '\0');
    std::size_t size = 0;
    EXPECT_EQ(lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                      data.size(), reinterpret_cast<uint8_t*>(&packed[0]), &size, packed.size()),
              LZMA_OK);
    packed.resize(size);
    return packed;
}

XmltvSelection fixtureSelection(std::vector<std::string> ids, std::vector<std::string> languages = {"it", "en"}) {
    XmltvSelection selection;
    selection.channelIds = std::move(ids);
    selection.languages = std::move(languages);
    selection.windowStart = kWindowStart;
    selection.windowEnd = kWindowStart + kDay;
    selection.listChannels = true;
    return selection;
}

// Feeds the bytes in pieces of the given size and finishes.
std::unique_ptr<XmltvReader> readGuide(const std::string& bytes, XmltvSelection selection,
                                       std::size_t piece = 64 * 1024) {
    auto reader = std::make_unique<XmltvReader>(std::move(selection));
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        if (!reader->feed(bytes.data() + at, std::min(piece, bytes.size() - at)))
            return reader;
    reader->finish();
    return reader;
}

std::string records(const std::vector<XmltvEvent>& events) {
    return writtenText([&](std::FILE* out) { writeXmltvEvents(out, events); });
}

// The titles of a channel's events, with their start from the window's
// start and their length, in seconds.
std::vector<std::string> summary(const std::vector<XmltvEvent>& events) {
    std::vector<std::string> lines;
    for (const XmltvEvent& e : events)
        lines.push_back(std::to_string(e.start - kWindowStart) + "+" + std::to_string(e.end - e.start) + " " + e.title +
                        " | " + e.genre + " | " + e.description);
    return lines;
}

const char* const kAlphaRecords =
    "E 1 1899329400 3600\nT Night Owls\nX 1899329400\nS \nL 60\nD Talk until dawn.\ne\n"
    "E 2 1899333000 16200\nT Notizie del mattino\nX 1899333000\nS News\nL 270\n"
    "D Weather first - Le notizie del giorno.\ne\n"
    "E 3 1899349200 3600\nT Cartoons\nX 1899349200\nS Children\nL 60\nD \ne\n"
    "E 4 1899354600 3600\nT Cooking\nX 1899354600\nS \nL 60\nD \ne\n"
    "E 5 1899360000 54000\nT Morning Show\nX 1899360000\nS \nL 900\nD \ne\n"
    "E 6 1899414000 7200\nT Late Show\nX 1899414000\nS \nL 120\nD \ne\n";

void expectFixtureGuide(const XmltvReader& reader) {
    ASSERT_EQ(reader.problem().error, XmltvError::None) << reader.problem().detail;
    ASSERT_EQ(reader.channelCount(), 5u);
    EXPECT_EQ(records(reader.events(0)), kAlphaRecords);
    EXPECT_EQ(records(reader.events(3)), kAlphaRecords);  // listed twice: the same block twice
    const std::vector<XmltvEvent>& beta = reader.events(1);
    ASSERT_EQ(beta.size(), 2u);
    EXPECT_EQ(summary({beta[0]}), std::vector<std::string>{"0+3600 Quiz & Games | Game show | Round <one> and two"});
    // The 300-byte title is kept to a byte past what a record holds.
    std::string eAcutes;
    for (int i = 0; i < 128; ++i)
        eAcutes += "\xc3\xa9";
    EXPECT_EQ(summary({beta[1]}), std::vector<std::string>{"3600+3600 " + eAcutes + " |  | Only the sub-title"});
    EXPECT_TRUE(reader.events(2).empty());
    EXPECT_TRUE(reader.events(4).empty());
    EXPECT_TRUE(reader.stats(1).declared);
    EXPECT_EQ(reader.stats(1).programmes, 2);
    EXPECT_FALSE(reader.stats(2).declared);
    EXPECT_EQ(reader.stats(2).programmes, 0);
    EXPECT_TRUE(reader.stats(4).declared);
    EXPECT_EQ(reader.stats(4).programmes, 1);
    EXPECT_EQ(reader.progress().programmes, 13);
    EXPECT_EQ(countEventDays(reader.events(0), {kWindowStart, kWindowStart + kDay}), 1);
}

const std::vector<std::string> kFixtureIds = {"alpha.example", "BETA.example", "missing.example", "alpha.example",
                                              "gamma.example"};

TEST(XmltvReader, ReadsAPlainGuideToItsRecords) {
    const std::string guide = fixture("guide.xml");
    const auto reader = readGuide(guide, fixtureSelection(kFixtureIds));
    expectFixtureGuide(*reader);
    EXPECT_EQ(reader->progress().bytesRead, static_cast<long long>(guide.size()));
    EXPECT_EQ(reader->progress().bytesUnpacked, static_cast<long long>(guide.size()));
}

TEST(XmltvReader, ReadsTheSameFromGzipAndXzInAnyPieces) {
    const std::string guide = fixture("guide.xml");
    const std::string gz = gzipped(guide);
    const std::string xz = xzed(guide);
    for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(4096), guide.size()}) {
        SCOPED_TRACE("pieces of " + std::to_string(piece));
        expectFixtureGuide(*readGuide(guide, fixtureSelection(kFixtureIds), piece));
        const auto fromGzip = readGuide(gz, fixtureSelection(kFixtureIds), piece);
        expectFixtureGuide(*fromGzip);
        EXPECT_EQ(fromGzip->progress().bytesRead, static_cast<long long>(gz.size()));
        EXPECT_EQ(fromGzip->progress().bytesUnpacked, static_cast<long long>(guide.size()));
        expectFixtureGuide(*readGuide(xz, fixtureSelection(kFixtureIds), piece));
    }
}

TEST(XmltvReader, ReadsConcatenatedGzipMembersAndXzStreams) {
    const std::string guide = fixture("guide.xml");
    const std::size_t half = guide.size() / 2;
    expectFixtureGuide(*readGuide(gzipped(guide.substr(0, half)) + gzipped(guide.substr(half)),
                                  fixtureSelection(kFixtureIds)));
    expectFixtureGuide(*readGuide(xzed(guide.substr(0, half)) + xzed(guide.substr(half)),
                                  fixtureSelection(kFixtureIds)));
}

TEST(XmltvReader, TakesTextsByTheLanguageOrderElseTheFirst) {
    const std::string guide = fixture("guide.xml");
    const auto none = readGuide(guide, fixtureSelection({"alpha.example"}, {}));
    ASSERT_EQ(none->problem().error, XmltvError::None);
    EXPECT_EQ(none->events(0).at(1).title, "Early News");
    EXPECT_EQ(none->events(0).at(1).description, "Weather first - The day's news.");
    EXPECT_EQ(none->declaredChannels().at(0).name, "Alpha One");

    const auto english = readGuide(guide, fixtureSelection({"alpha.example"}, {"EN", "it"}));
    EXPECT_EQ(english->events(0).at(1).title, "Early News");
    const auto italian = readGuide(guide, fixtureSelection({"alpha.example"}, {"de", "it", "en"}));
    EXPECT_EQ(italian->events(0).at(1).title, "Notizie del mattino");
    EXPECT_EQ(italian->declaredChannels().at(0).name, "Alfa Uno");

    // A code matches the tags that begin with it and a "-", no others.
    const std::string regional =
        "<tv><programme start=\"20300310120000\" stop=\"20300310130000\" channel=\"r.example\">"
        "<title lang=\"enx\">Wrong</title><title lang=\"en-GB\">Right</title><title lang=\"en\">Later</title>"
        "</programme></tv>";
    EXPECT_EQ(readGuide(regional, fixtureSelection({"r.example"}, {"en"}))->events(0).at(0).title, "Right");
}

TEST(XmltvReader, ListsChannelsAndTheIdsOnlyProgrammesName) {
    const auto reader = readGuide(fixture("undeclared.xml"), fixtureSelection({"alpha.example", "delta.example"}, {}));
    ASSERT_EQ(reader->problem().error, XmltvError::None);
    ASSERT_EQ(reader->declaredChannels().size(), 2u);
    EXPECT_EQ(reader->declaredChannels()[0].id, "alpha.example");
    EXPECT_EQ(reader->declaredChannels()[0].name, "Alpha One");
    EXPECT_EQ(reader->declaredChannels()[1].name, "Plain");
    // ALPHA.example is alpha.example: not listed apart.
    EXPECT_EQ(reader->undeclaredIds(), (std::vector<std::string>{"delta.example", "epsilon.example"}));

    // An unreadable start leaves its programme out; an unreadable stop
    // counts as none, so the next start ends it.
    EXPECT_EQ(summary(reader->events(0)), (std::vector<std::string>{"36000+3600 Loud |  | ",
                                                                     "39600+3600 Odd stop |  | ",
                                                                     "43200+3600 Noon |  | "}));
    EXPECT_EQ(reader->stats(0).programmes, 4);
    EXPECT_EQ(summary(reader->events(1)),
              (std::vector<std::string>{"36000+3600 Delta |  | ", "50400+3600 Delta again |  | "}));
    EXPECT_FALSE(reader->stats(1).declared);

    // A channel without a display-name is listed by its id.
    const auto bare = readGuide("<tv><channel id=\"bare.example\"/></tv>", fixtureSelection({}));
    ASSERT_EQ(bare->declaredChannels().size(), 1u);
    EXPECT_EQ(bare->declaredChannels()[0].name, "bare.example");
}

TEST(XmltvReader, TheClosestChannelsByIdOrName) {
    const std::string longId(300, 'x');
    const auto guide = readGuide(
        "<tv><channel id=\"rai1.it\"><display-name>Rai 1</display-name></channel>"
        "<channel id=\"rai2.it\"><display-name>Rai 2</display-name></channel>"
        "<channel id=\"la7.it\"><display-name>La7</display-name></channel>"
        "<channel id=\"dup.it\"><display-name>Zzzzzzzz</display-name></channel>"
        "<channel id=\"dup.it\"><display-name>Cielo</display-name></channel>"
        "<channel id=\"" + longId + "\"/>"
        "<programme start=\"20300310120000\" channel=\"rai3.it\"><title>t</title></programme></tv>",
        fixtureSelection({}));
    ASSERT_EQ(guide->problem().error, XmltvError::None);
    // Case does not count; the guide's order among equals, programmes' ids last.
    EXPECT_EQ(closestChannels(*guide, "RAI1.it"), (std::vector<std::string>{"rai1.it", "rai2.it", "rai3.it"}));
    EXPECT_EQ(closestChannels(*guide, "Rai4.it"), (std::vector<std::string>{"rai1.it", "rai2.it", "rai3.it"}));
    // A name may come closer than any id; an id given twice is named once.
    EXPECT_EQ(closestChannels(*guide, "la 7").front(), "la7.it");
    EXPECT_EQ(closestChannels(*guide, "cielo"), (std::vector<std::string>{"dup.it", "rai1.it", "rai2.it"}));
    // No list line can hold an id that long.
    const std::vector<std::string> nearLong = closestChannels(*guide, std::string(250, 'x'));
    EXPECT_EQ(nearLong.size(), 3u);
    EXPECT_EQ(std::count(nearLong.begin(), nearLong.end(), longId), 0);
}

TEST(XmltvReader, TimesAreTheSameInEveryZone) {
    for (const char* zone : {"UTC", "Asia/Kolkata", "America/St_Johns", "Europe/Rome"}) {
        ZoneGuard guard(zone);
        const auto reader = readGuide(fixture("zones.xml"), fixtureSelection({"zone.example"}));
        ASSERT_EQ(reader->problem().error, XmltvError::None);
        EXPECT_EQ(summary(reader->events(0)), (std::vector<std::string>{"23400+3600 East |  | ",
                                                                         "43200+2700 Greenwich |  | ",
                                                                         "55800+1800 West |  | "}))
            << zone;
    }
}

std::string encodedTitle(const std::string& document) {
    const auto reader = readGuide(document, fixtureSelection({"encoded.example"}));
    if (reader->problem().error != XmltvError::None)
        return "failed: " + reader->problem().detail;
    return reader->events(0).at(0).title + " | " + reader->events(0).at(0).description;
}

std::string relabelled(std::string document, const std::string& from, const std::string& to) {
    document.replace(document.find("encoding=\"" + from + "\""), from.size() + 11, "encoding=\"" + to + "\"");
    return document;
}

TEST(XmltvReader, ReadsLatin1AndWindows1252AsUtf8) {
    EXPECT_EQ(encodedTitle(fixture("latin1.xml")), "Caf\xc3\xa9 cr\xc3\xa8me | Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln");
    const std::string windows = fixture("windows1252.xml");
    const std::string expected = "Caf\xc3\xa9 \xe2\x82\xac 5 | \xe2\x80\x9cQuoted\xe2\x80\x9d \xe2\x80\x93 fine";
    EXPECT_EQ(encodedTitle(windows), expected);
    for (const char* label : {"latin1", "latin-1", "cp1252", "LATIN1", "Windows-1252"})
        EXPECT_EQ(encodedTitle(relabelled(windows, "windows-1252", label)), expected) << label;
    // Its unassigned bytes are the C1 controls of the same number, which
    // cleaning then removes.
    std::string unassigned = windows;
    unassigned.insert(unassigned.find(" fine"), " \x81\x8d\x8f\x90\x9d");
    EXPECT_EQ(encodedTitle(unassigned), expected);
    // ISO-8859-1 proper has C1 controls where windows-1252 has the euro
    // and the quotes: they go.
    EXPECT_EQ(encodedTitle(relabelled(windows, "windows-1252", "ISO-8859-1")), "Caf\xc3\xa9 5 | Quoted fine");
}

TEST(XmltvReader, RefusesOtherEncodingsByName) {
    const auto koi8 = readGuide(relabelled(fixture("latin1.xml"), "ISO-8859-1", "KOI8-R"), fixtureSelection({}));
    EXPECT_EQ(koi8->problem().error, XmltvError::Encoding);
    EXPECT_EQ(koi8->problem().detail, "KOI8-R");

    // UTF-16 with a byte order mark, and without one.
    const std::string ascii = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><tv></tv>";
    std::string utf16 = "\xff\xfe";
    for (char c : ascii)
        utf16 += std::string(1, c) + '\0';
    for (const std::string& document : {utf16, utf16.substr(2)}) {
        const auto reader = readGuide(document, fixtureSelection({}));
        EXPECT_EQ(reader->problem().error, XmltvError::Encoding);
        EXPECT_EQ(reader->problem().detail, "UTF-16");
    }
}

struct Failure {
    const char* what;
    std::string bytes;
    XmltvError error;
};

TEST(XmltvReader, BringsNothingButWhyFromWhatIsNoWholeGuide) {
    const std::string guide = fixture("guide.xml");
    const std::string gz = gzipped(guide);
    const std::string xz = xzed(guide);
    std::string damagedGz = gz;
    damagedGz[damagedGz.size() / 2] ^= 0x55;
    // The end of an xz stream repeats what came before it.
    std::string damagedXz = xz;
    damagedXz[damagedXz.size() - 1] ^= 0x55;
    const Failure failures[] = {
        {"nothing", "", XmltvError::Empty},
        {"an empty gzip", gzipped(""), XmltvError::Empty},
        {"an HTML page", fixture("bad_gateway.html"), XmltvError::NotXmltv},
        {"another root", "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel/></rss>", XmltvError::NotXmltv},
        {"junk", "This is no guide at all.\n\x01\x02\x03", XmltvError::NotXml},
        {"binary junk", std::string("\x00\x9c\xff\x10\x1f\x20", 6), XmltvError::NotXml},
        {"a lone gzip byte", "\x1f", XmltvError::NotXml},
        {"no </tv>", guide.substr(0, guide.rfind("</tv>")), XmltvError::CutGuide},
        {"cut in a programme", guide.substr(0, guide.find("Cooking")), XmltvError::CutGuide},
        {"cut in its first tag", guide.substr(0, guide.find("<tv") + 8), XmltvError::CutGuide},
        {"junk after </tv>", guide + "<tv></tv>", XmltvError::NotXml},
        {"a declaration alone", "<?xml version=\"1.0\"?>\n", XmltvError::NotXml},
        {"cut in the declaration", "<?xml vers", XmltvError::CutGuide},
        {"a gzip cut short", gz.substr(0, gz.size() - 10), XmltvError::CutCompression},
        {"a gzip without its trailer", gz.substr(0, gz.size() - 4), XmltvError::CutCompression},
        {"a gzip header alone", gz.substr(0, 10), XmltvError::CutCompression},
        {"a cut guide, well gzipped", gzipped(guide.substr(0, guide.size() / 2)), XmltvError::CutGuide},
        {"a damaged gzip", damagedGz, XmltvError::BadCompression},
        {"junk after a gzip member", gz + "junk", XmltvError::BadCompression},
        {"an xz cut short", xz.substr(0, xz.size() - 10), XmltvError::CutCompression},
        {"an xz header alone", xz.substr(0, 12), XmltvError::CutCompression},
        {"a damaged xz", damagedXz, XmltvError::BadCompression},
    };
    for (const Failure& failure : failures) {
        const auto reader = readGuide(failure.bytes, fixtureSelection(kFixtureIds));
        EXPECT_TRUE(reader->failed()) << failure.what;
        EXPECT_EQ(reader->problem().error, failure.error) << failure.what << ": " << reader->problem().detail;
        EXPECT_FALSE(reader->finish()) << failure.what;
    }
}

TEST(XmltvReader, NamesWhereTheXmlWentWrong) {
    const auto html = readGuide(fixture("bad_gateway.html"), fixtureSelection({}));
    EXPECT_EQ(html->problem().detail, "html");
    const auto broken = readGuide("<tv>\n  <channel id=\"a\">\n  </tv>\n", fixtureSelection({}));
    EXPECT_EQ(broken->problem().error, XmltvError::NotXml);
    EXPECT_EQ(broken->problem().detail, "mismatched tag");
    EXPECT_EQ(broken->problem().line, 3u);
    EXPECT_EQ(broken->problem().column, 4u);
}

TEST(XmltvReader, RefusesAnXzStreamThatAsksForTooMuchMemory) {
    // The LZMA2 dictionary size is a byte in the block header: make it
    // 128 MiB and put the header's check sum right.
    std::string xz = xzed(fixture("guide.xml"));
    const std::size_t block = 12;
    const std::size_t headerSize = (static_cast<unsigned char>(xz[block]) + 1) * 4;
    const unsigned char flags = static_cast<unsigned char>(xz[block + 1]);
    std::size_t at = block + 2;
    for (int sizes = ((flags & 0x40) != 0) + ((flags & 0x80) != 0); sizes > 0; --sizes)
        while (static_cast<unsigned char>(xz[at++]) & 0x80) {
        }
    ASSERT_EQ(static_cast<unsigned char>(xz[at]), 0x21);  // LZMA2, with one byte of properties
    ASSERT_EQ(static_cast<unsigned char>(xz[at + 1]), 0x01);
    xz[at + 2] = 30;
    const uLong sum = crc32(0, reinterpret_cast<const Bytef*>(xz.data() + block), headerSize - 4);
    for (int i = 0; i < 4; ++i)
        xz[block + headerSize - 4 + i] = static_cast<char>((sum >> (8 * i)) & 0xFF);

    const auto reader = readGuide(xz, fixtureSelection({}));
    EXPECT_EQ(reader->problem().error, XmltvError::CompressionMemory);
    EXPECT_EQ(reader->problem().detail, "129");
}

class CountingSink final : public XmltvSink {
public:
    bool unpacked(const char*, std::size_t size) override {
        total += static_cast<long long>(size);
        return true;
    }
    long long total = 0;
};

TEST(XmltvReader, StopsPastItsLimitOfUnpackedBytes) {
    const std::string zeros(100000, ' ');
    for (const std::string& packed : {zeros, gzipped(zeros), xzed(zeros)}) {
        CountingSink sink;
        XmltvProblem problem;
        XmltvDecoder decoder(sink, problem, 65536);
        const bool fed = decoder.feed(packed.data(), packed.size()) && decoder.finish();
        EXPECT_FALSE(fed);
        EXPECT_EQ(problem.error, XmltvError::TooLarge);
        EXPECT_LE(sink.total, 65536);
    }
    CountingSink sink;
    XmltvProblem problem;
    XmltvDecoder decoder(sink, problem, 100000);
    EXPECT_TRUE(decoder.feed(zeros.data(), zeros.size()) && decoder.finish());
}

// This process's resident memory now, in KiB.
long residentKiB() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct BoundedReading {
    int error;         // the problem the child found; -1 when it did not end by itself
    long growthKiB;    // how far its peak resident memory rose above what it started with
};

// Reads in a child whose processor time is bounded, so that a reader that
// expands without end is ended, not waited for; and tells how much memory
// the reading took at its peak.
BoundedReading boundedReading(const std::string& bytes) {
    const long before = residentKiB();
    const pid_t child = fork();
    if (child == 0) {
        const rlimit processor{20, 20};
        setrlimit(RLIMIT_CPU, &processor);
        const auto reader = readGuide(bytes, fixtureSelection({"alpha.example"}));
        _exit(static_cast<int>(reader->problem().error));
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss - before};
}

TEST(XmltvReader, EndsAnEntityBombAtOnce) {
    const std::string bomb = fixture("entity_bomb.xml");
    std::string inAttribute = bomb;
    inAttribute.replace(inAttribute.find("generator-info-name=\"tarvio-tests\""), 34, "generator-info-name=\"&j;\"");
    // Ten levels of ten: ten thousand million bytes, if nothing stopped it.
    for (const std::string& document : {bomb, inAttribute}) {
        const BoundedReading reading = boundedReading(document);
        EXPECT_EQ(reading.error, static_cast<int>(XmltvError::NotXml));
        EXPECT_LT(reading.growthKiB, 64 * 1024);
    }
}

TEST(XmltvReader, EndsATagThatNeverEndsWithinItsMemory) {
    XmltvReader reader(fixtureSelection({}));
    const std::string start = "<tv><programme title=\"";
    ASSERT_TRUE(reader.feed(start.data(), start.size()));
    const std::string piece(64 * 1024, 'x');
    long long fed = 0;
    while (fed < (64LL << 20) && reader.feed(piece.data(), piece.size()))
        fed += static_cast<long long>(piece.size());
    EXPECT_LT(fed, 16LL << 20);
    EXPECT_EQ(reader.problem().error, XmltvError::NotXml);
    EXPECT_EQ(reader.problem().detail, "out of memory");
}

class PieceCounter final : public XmltvReadListener {
public:
    explicit PieceCounter(int stopAt = 0) : stopAt(stopAt) {}
    bool pieceRead(const XmltvReader& reader) override {
        ++pieces;
        seen.push_back(reader.progress().bytesRead);
        return pieces != stopAt;
    }
    int stopAt;
    int pieces = 0;
    std::vector<long long> seen;
};

// A guide of more than a piece: many programmes of a channel not wanted.
std::string largeGuide() {
    std::string guide = "<tv>\n";
    for (int i = 0; i < 2000; ++i)
        guide += "<programme start=\"20300310000000\" channel=\"other.example\"><title>Filler</title></programme>\n";
    return guide + "</tv>\n";
}

TEST(XmltvFile, ReadsALocalFileInPiecesTellingHowFar) {
    TempFolder folder;
    folder.write("guide.xml.gz", gzipped(fixture("guide.xml")));
    XmltvReader packed(fixtureSelection(kFixtureIds));
    EXPECT_TRUE(readXmltvFile(folder.file("guide.xml.gz").c_str(), packed));
    expectFixtureGuide(packed);

    const std::string large = largeGuide();
    folder.write("large.xml", large);
    PieceCounter counter;
    XmltvReader reader(fixtureSelection({}));
    EXPECT_TRUE(readXmltvFile(folder.file("large.xml").c_str(), reader, &counter));
    const int pieces = static_cast<int>((large.size() + kXmltvFilePiece - 1) / kXmltvFilePiece);
    EXPECT_EQ(counter.pieces, pieces);
    EXPECT_EQ(counter.seen.front(), static_cast<long long>(kXmltvFilePiece));
    EXPECT_EQ(counter.seen.back(), static_cast<long long>(large.size()));
    EXPECT_EQ(reader.progress().programmes, 2000);

    PieceCounter stopper(2);
    XmltvReader stopped(fixtureSelection({}));
    EXPECT_FALSE(readXmltvFile(folder.file("large.xml").c_str(), stopped, &stopper));
    EXPECT_EQ(stopped.problem().error, XmltvError::Stopped);
    EXPECT_EQ(stopper.pieces, 2);
}

TEST(XmltvFile, TellsWhyAFileCannotBeRead) {
    TempFolder folder;
    XmltvReader missing(fixtureSelection({}));
    EXPECT_FALSE(readXmltvFile(folder.file("missing.xml").c_str(), missing));
    EXPECT_EQ(missing.problem().error, XmltvError::OpenFailed);
    EXPECT_EQ(missing.problem().systemError, ENOENT);

    XmltvReader directory(fixtureSelection({}));
    EXPECT_FALSE(readXmltvFile(folder.path().c_str(), directory));
    EXPECT_EQ(directory.problem().error, XmltvError::NotAFile);

    // A FIFO with no writer would block a reader that waits for one.
    ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0600), 0);
    XmltvReader fifo(fixtureSelection({}));
    EXPECT_FALSE(readXmltvFile(folder.file("fifo").c_str(), fifo));
    EXPECT_EQ(fifo.problem().error, XmltvError::NotAFile);

    folder.write("page.html", fixture("bad_gateway.html"));
    XmltvReader page(fixtureSelection({}));
    EXPECT_FALSE(readXmltvFile(folder.file("page.html").c_str(), page));
    EXPECT_EQ(page.problem().error, XmltvError::NotXmltv);
}

}  // namespace
