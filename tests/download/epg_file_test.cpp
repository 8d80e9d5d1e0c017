// epg_file_test.cpp: the EPG file's blocks read back from an old file, whatever its texts hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "epg_file.h"
#include "temp_folder.h"
#include "written_text.h"

namespace {

// A record whose description holds lines that look like the file's own.
std::string record(int sequence, const std::string& description) {
    return writtenText([&](std::FILE* out) {
        writeEventRecord(out, EventRecord{sequence, 1000, 60, 1, "Title", "", description});
    });
}

// The block of the channel named, as copy() writes it under ordinal 7.
std::string copied(const std::string& path, const char* name) {
    OldGuide old(path.c_str());
    const int block = old.take(name);
    if (block < 0)
        return "(none)";
    bool copied = false;
    const std::string text = writtenText([&](std::FILE* out) { copied = old.copy(block, 7, out); });
    return copied ? text : "(failed)";
}

}  // namespace

TEST(OldGuide, TextsHoldingTheFilesOwnLinesDoNotEndABlock) {
    TempFolder folder;
    const std::string tricky = record(1, "first\nc\nC 3 Y\ne\nC 2 X\nc") + record(2, "plain");
    const std::string second = record(1, "two");
    folder.write("lomvi.dat", "C 1 One\n" + tricky + "c\nC 2 X\n" + second + "c\n");

    EXPECT_EQ(copied(folder.file("lomvi.dat"), "One"), "C 7 One\n" + tricky + "c\n");
    EXPECT_EQ(copied(folder.file("lomvi.dat"), "X"), "C 7 X\n" + second + "c\n");
    // Headers inside the text are no blocks of their own: a "c" ends a
    // block only when the next ordinal's header or the end of the file
    // follows it.
    EXPECT_EQ(copied(folder.file("lomvi.dat"), "Y"), "(none)");
}

TEST(OldGuide, ReadsCrLfLinesAndALastLineWithoutBreak) {
    TempFolder folder;
    folder.write("crlf.dat", "C 1 One\r\nE 1 1000 60\r\nT A\r\nc\r\nC 2 Two\r\nE 1 2000 60\r\nc\r\n");
    EXPECT_EQ(copied(folder.file("crlf.dat"), "One"), "C 7 One\nE 1 1000 60\r\nT A\r\nc\n");
    EXPECT_EQ(copied(folder.file("crlf.dat"), "Two"), "C 7 Two\nE 1 2000 60\r\nc\n");

    folder.write("cut.dat", "C 1 One\nE 1 1000 60\nc\nC 2 Two\nE 1 2000 60\nc");
    EXPECT_EQ(copied(folder.file("cut.dat"), "Two"), "C 7 Two\nE 1 2000 60\nc\n");
}

TEST(OldGuide, BlocksThatNeverEndAreNotKept) {
    TempFolder folder;
    // Cut in the middle of its second block: the first is whole.
    folder.write("lomvi.dat", "C 1 One\nE 1 1000 60\nc\nC 2 Two\nE 1 2000 60\nT half");
    EXPECT_NE(copied(folder.file("lomvi.dat"), "One"), "(none)");
    EXPECT_EQ(copied(folder.file("lomvi.dat"), "Two"), "(none)");
    // A "c" followed by a header of another ordinal is part of the text.
    folder.write("odd.dat", "C 1 One\nE 1 1000 60\nc\nC 5 Two\nc\n");
    EXPECT_EQ(copied(folder.file("odd.dat"), "One"), "C 7 One\nE 1 1000 60\nc\nC 5 Two\nc\n");
    EXPECT_EQ(copied(folder.file("missing.dat"), "One"), "(none)");
}
