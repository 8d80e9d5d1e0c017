// channel_list_test.cpp: classifying channel list lines and cutting out ids and names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel_list.h"
#include "file_handle.h"
#include "temp_folder.h"

namespace {

struct Found {
    int id;
    std::string name;
};

// The channels of a list written to a file, and how many.
std::vector<Found> readList(const std::string& contents, int* count) {
    TempFolder folder;
    folder.write("channels", contents);
    FileHandle list(std::fopen(folder.file("channels").c_str(), "rb"));
    std::vector<Found> found;
    ChannelEntry entry;
    while (nextChannel(list.get(), entry))
        found.push_back({entry.id, entry.name});
    *count = static_cast<int>(found.size());
    return found;
}

}  // namespace

TEST(ChannelList, ClassifiesByFirstCharacter) {
    EXPECT_EQ(classifyLine("y 1,a\n"), LineKind::Enabled);
    EXPECT_EQ(classifyLine("Y 1,a\n"), LineKind::Enabled);
    EXPECT_EQ(classifyLine("n 1,a\n"), LineKind::Skipped);
    EXPECT_EQ(classifyLine("N 1,a\n"), LineKind::Skipped);
    EXPECT_EQ(classifyLine("# comment\n"), LineKind::Skipped);
    EXPECT_EQ(classifyLine("\n"), LineKind::End);
    EXPECT_EQ(classifyLine(" y 1,a\n"), LineKind::End);
    EXPECT_EQ(classifyLine("\xff"), LineKind::End);
    EXPECT_EQ(classifyLine(""), LineKind::End);
}

TEST(ChannelList, CutsIdAndName) {
    ChannelEntry entry;
    ASSERT_TRUE(parseChannelLine("y 501,Canale Uno\r\n", entry));
    EXPECT_EQ(entry.id, 501);
    EXPECT_STREQ(entry.name, "Canale Uno");

    // Separator of any value, leading blanks before the id, name verbatim.
    ASSERT_TRUE(parseChannelLine("Y,  42, two  blanks ,x", entry));
    EXPECT_EQ(entry.id, 42);
    EXPECT_STREQ(entry.name, " two  blanks ,x");

    ASSERT_TRUE(parseChannelLine("yx7abc,", entry));
    EXPECT_EQ(entry.id, 7);
    EXPECT_STREQ(entry.name, "");

    // The box's 32-bit strtol saturates.
    ASSERT_TRUE(parseChannelLine("y 99999999999,big", entry));
    EXPECT_EQ(entry.id, 2147483647);
}

TEST(ChannelList, LineWithoutCommaNamesNoChannel) {
    ChannelEntry entry;
    EXPECT_FALSE(parseChannelLine("y 501 Canale Uno\n", entry));
    EXPECT_FALSE(parseChannelLine("y", entry));
    EXPECT_FALSE(parseChannelLine("y,", entry));  // the comma at position 1 is the separator
    EXPECT_FALSE(parseChannelLine("y\n", entry));
}

TEST(ChannelList, PassesAgreeOnChannels) {
    int count = 0;
    const auto found = readList(
        "# list\n"
        "y 501,One\n"
        "n 502,Off\n"
        "y 503 no comma\n"
        "N 504,Off too\n"
        "Y 505,Two\n"
        "y 501,One again\n"
        "\n"
        "y 506,After the end\n",
        &count);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].id, 501);
    EXPECT_EQ(found[1].id, 505);
    EXPECT_EQ(found[1].name, "Two");
    EXPECT_EQ(found[2].name, "One again");
}

TEST(ChannelList, EmptyOrEndingListsYieldNothing) {
    int count = -1;
    EXPECT_TRUE(readList("", &count).empty());
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(readList("x 501,One\ny 502,Two\n", &count).empty());
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(readList(" y 501,One\n", &count).empty());
    EXPECT_EQ(count, 0);
}

TEST(ChannelList, LastLineWithoutLineBreak) {
    int count = 0;
    const auto found = readList("y 501,One\ny 502,Two", &count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(found[1].name, "Two");
}

TEST(ChannelList, LongLinesArriveInPieces) {
    // The first piece holds 255 characters; the rest of the line is read as
    // a line of its own and classified by its own first character.
    const std::string head = "y 501,";
    const std::string ending = std::string(255 - head.size(), 'a');
    int count = 0;
    auto found = readList(head + ending + "y 77,Piece\ny 502,Two\n", &count);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, ending);
    EXPECT_EQ(found[1].id, 77);
    EXPECT_EQ(found[1].name, "Piece");

    found = readList(head + ending + "zzz\ny 502,Two\n", &count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(found.size(), 1u);
}

namespace {

// Every piece the reader gives for a list written to a file.
std::vector<ListPiece> readPieces(const std::string& contents) {
    TempFolder folder;
    folder.write("channels", contents);
    FileHandle list(std::fopen(folder.file("channels").c_str(), "rb"));
    ListReader reader;
    ListPiece piece;
    std::vector<ListPiece> pieces;
    while (readPiece(list.get(), reader, piece))
        pieces.push_back(piece);
    return pieces;
}

struct Verdict {
    const char* line;
    PieceKind kind;
    EndReason endReason;
    int id;
    const char* name;
    bool idNotNumber;
    bool separatorIsDigit;
};

}  // namespace

TEST(ListReader, VerdictOnEachKindOfLine) {
    constexpr auto Channel = PieceKind::Channel;
    constexpr auto End = PieceKind::End;
    constexpr auto None = EndReason::None;
    const Verdict verdicts[] = {
        {"y 501,Canale Uno\r\n", Channel, None, 501, "Canale Uno", false, false},
        {"Y,  42, two ,x", Channel, None, 42, " two ,x", false, false},
        {"y501,Uno\n", Channel, None, 1, "Uno", false, true},
        {"yes 501,Yes\n", Channel, None, 0, "Yes", true, false},
        {"y abc,Letters\n", Channel, None, 0, "Letters", true, false},
        {"y -7,Minus\n", Channel, None, -7, "Minus", false, false},
        {"y 501 no comma\n", PieceKind::NoComma, None, 0, "", false, false},
        {"y,\n", PieceKind::NoComma, None, 0, "", false, false},
        {"n 502,Off\n", PieceKind::Disabled, None, 0, "", false, false},
        {"N\n", PieceKind::Disabled, None, 0, "", false, false},
        {"# y 503,Not a channel\n", PieceKind::Comment, None, 0, "", false, false},
        {"\n", End, EndReason::EmptyLine, 0, "", false, false},
        {"\r\n", End, EndReason::EmptyLine, 0, "", false, false},
        {" y 504,Blank\n", End, EndReason::LeadingBlank, 0, "", false, false},
        {"\ty 504,Tab\n", End, EndReason::LeadingBlank, 0, "", false, false},
        {"\xEF\xBB\xBFy 505,Mark\n", End, EndReason::ByteOrderMark, 0, "", false, false},
        {"\xEF\xBB", End, EndReason::OtherCharacter, 0, "", false, false},
        {"x 506,Other\n", End, EndReason::OtherCharacter, 0, "", false, false},
    };
    for (const Verdict& expected : verdicts) {
        SCOPED_TRACE(expected.line);
        const auto pieces = readPieces(expected.line);
        ASSERT_EQ(pieces.size(), 1u);
        const ListPiece& piece = pieces[0];
        EXPECT_EQ(piece.kind, expected.kind);
        EXPECT_EQ(piece.endReason, expected.endReason);
        EXPECT_EQ(piece.lineNumber, 1);
        EXPECT_FALSE(piece.continuation());
        EXPECT_FALSE(piece.lineGoesOn);
        EXPECT_FALSE(piece.nameCut);
        if (expected.kind != Channel)
            continue;
        EXPECT_EQ(piece.entry.id, expected.id);
        EXPECT_STREQ(piece.entry.name, expected.name);
        EXPECT_EQ(piece.idNotNumber, expected.idNotNumber);
        EXPECT_EQ(piece.separatorIsDigit, expected.separatorIsDigit);
    }
}

TEST(ListReader, LongLinesKeepTheirNumberAndTellWhereEachPieceStarts) {
    const std::string head = "y 501,";
    const std::string name(255 - head.size(), 'a');
    // Line 2: a name that runs on into a second piece, whose rest is a
    // channel line of its own. Line 3: 255 characters, so only its line
    // break is left for a second piece, and that ends the list.
    const std::string exact = "y 502," + std::string(255 - head.size(), 'b');
    const auto pieces = readPieces("# list\n" + head + name + "y 77,Piece\n" + exact + "\ny 503,After\n");
    ASSERT_EQ(pieces.size(), 6u);

    EXPECT_EQ(pieces[1].lineNumber, 2);
    EXPECT_TRUE(pieces[1].lineGoesOn);
    EXPECT_TRUE(pieces[1].nameCut);
    EXPECT_EQ(pieces[1].entry.name, name);

    EXPECT_EQ(pieces[2].lineNumber, 2);
    EXPECT_EQ(pieces[2].column, 256);
    EXPECT_TRUE(pieces[2].continuation());
    EXPECT_EQ(pieces[2].kind, PieceKind::Channel);
    EXPECT_EQ(pieces[2].entry.id, 77);
    EXPECT_FALSE(pieces[2].lineGoesOn);

    // A name that is whole but for the line break is not cut.
    EXPECT_EQ(pieces[3].lineNumber, 3);
    EXPECT_TRUE(pieces[3].lineGoesOn);
    EXPECT_FALSE(pieces[3].nameCut);
    EXPECT_EQ(pieces[4].lineNumber, 3);
    EXPECT_EQ(pieces[4].column, 256);
    EXPECT_EQ(pieces[4].endReason, EndReason::EmptyLine);

    EXPECT_EQ(pieces[5].lineNumber, 4);
    EXPECT_EQ(pieces[5].column, 1);
    EXPECT_EQ(pieces[5].entry.id, 503);

    // The run's passes see what the pieces say: channels 501 and 77, then
    // the end at line 3's line break.
    int count = 0;
    const auto found = readList("# list\n" + head + name + "y 77,Piece\n" + exact + "\ny 503,After\n", &count);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2].id, 502);
}
