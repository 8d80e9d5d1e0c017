// text_layout_test.cpp: word wrapping, line breaks and tabs of label texts.
#include <gtest/gtest.h>

#include "text_layout.h"

using Lines = std::vector<std::string>;

TEST(TextLayout, WrapsBetweenWordsWithinWidth) {
    EXPECT_EQ(layoutText("the quick brown fox jumps", 10, true),
              (Lines{"the quick", "brown fox", "jumps"}));
    // A word exactly filling the line does not push an empty line.
    EXPECT_EQ(layoutText("abcde fghij", 5, true), (Lines{"abcde", "fghij"}));
}

TEST(TextLayout, SplitsWordsLongerThanALine) {
    EXPECT_EQ(layoutText("/mnt/usb/averyveryverylongname", 10, true),
              (Lines{"/mnt/usb/a", "veryveryve", "rylongname"}));
    EXPECT_EQ(layoutText("ab abcdefghijkl", 5, true), (Lines{"ab", "abcde", "fghij", "kl"}));
}

TEST(TextLayout, KeepsTheTextsOwnLineBreaks) {
    EXPECT_EQ(layoutText("one\ntwo\n\nfour", 20, true), (Lines{"one", "two", "", "four"}));
    EXPECT_EQ(layoutText("one\r\ntwo", 20, true), (Lines{"one", "two"}));
    // Without wrap, line breaks still count but long lines are not broken.
    EXPECT_EQ(layoutText("a long line\nb", 4, false), (Lines{"a long line", "b"}));
}

TEST(TextLayout, TabsStopEveryEightColumnsFromTheLineStart) {
    EXPECT_EQ(layoutText("a\tb", 40, true), (Lines{"a       b"}));
    EXPECT_EQ(layoutText("abcdefgh\tx", 40, true), (Lines{"abcdefgh        x"}));
    EXPECT_EQ(layoutText("x\n\ty", 40, true), (Lines{"x", "        y"}));
    // A tab past the width wraps instead of running off the line.
    EXPECT_EQ(layoutText("abcdef\tgh", 8, true), (Lines{"abcdef", "gh"}));
}

TEST(TextLayout, NoRoomGivesNoLines) {
    EXPECT_TRUE(layoutText("text", 0, true).empty());
    EXPECT_EQ(layoutText("", 10, true), (Lines{""}));
}
