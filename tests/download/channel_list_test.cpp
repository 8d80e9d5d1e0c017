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

// Both passes over a list written to a file: the count, then the channels.
std::vector<Found> readList(const std::string& contents, int* count) {
    TempFolder folder;
    folder.write("channels", contents);
    FileHandle list(std::fopen(folder.file("channels").c_str(), "rb"));
    *count = countChannels(list.get());
    list.reset(std::fopen(folder.file("channels").c_str(), "rb"));
    std::vector<Found> found;
    ChannelEntry entry;
    while (nextChannel(list.get(), entry))
        found.push_back({entry.id, entry.name});
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
