// text_input_test.cpp: multi-tap and keyboard entry on the manual clock,
// within maxLength and the useable characters.
#include <gtest/gtest.h>

#include "eclock.h"
#include "host_toolkit.h"
#include "key_feeder.h"

namespace {
class TextInput : public ::testing::Test {
protected:
    void SetUp() override {
        eClock::setManual(true);
        window.cmove(ePoint(100, 350));
        window.cresize(eSize(500, 150));
        input = new eTextInputField(&window, nullptr, nullptr, "eNumber");
        input->move(ePoint(170, 8));
        input->resize(eSize(250, 30));
        input->setNextCharTimeout(1000);
        window.show();
    }
    void TearDown() override {
        window.hide();
        eClock::setManual(false);
    }

    void press(std::initializer_list<int> keys) {
        KeyFeeder feeder(keys);
        window.exec();
    }
    static int digit(int n) { return eKey::digit0 + n; }

    eWindow window{1};
    eTextInputField* input = nullptr;
};
}  // namespace

TEST_F(TextInput, RepeatedDigitStepsThroughLettersThenDigit) {
    press({digit(2)});
    EXPECT_EQ(input->text, "a");
    EXPECT_TRUE(input->hasPendingChar());
    press({digit(2), digit(2)});
    EXPECT_EQ(input->text, "c");
    press({digit(2)});
    EXPECT_EQ(input->text, "2");
    // Past the digit it starts over, still one character.
    input->setUseableChars("abc2");
    press({digit(2)});
    EXPECT_EQ(input->text, "a");
}

TEST_F(TextInput, TimeoutOrAnotherKeyCommitsTheCharacter) {
    press({digit(2), digit(2)});
    eClock::advance(999);
    press({digit(2)});
    EXPECT_EQ(input->text, "c") << "still within the timeout";
    eClock::advance(1000);
    press({digit(2)});
    EXPECT_EQ(input->text, "ca");
    press({digit(3)});
    EXPECT_EQ(input->text, "cad");
    // The clock alone commits (what the terminal's idle wake-up does).
    eClock::advance(1000);
    eTextInputField::commitExpired();
    EXPECT_FALSE(input->hasPendingChar());
    EXPECT_EQ(input->cursorPosition(), 3u);
    press({digit(3)});
    EXPECT_EQ(input->text, "cadd");
}

TEST_F(TextInput, UseableCharactersLimitMultiTapAndTyping) {
    input->setUseableChars("1234567");
    press({digit(2)});
    EXPECT_EQ(input->text, "2");
    EXPECT_FALSE(input->hasPendingChar()) << "a single choice is committed at once";
    press({digit(2), digit(8), digit(0), 'x', '5', '9'});
    EXPECT_EQ(input->text, "225");

    input->setText("");
    input->setUseableChars("abcdefghijklmnopqrstuvwxyz1234567890/.-_");
    press({'/', 'M', 'n', ' ', '_', digit(1)});
    EXPECT_EQ(input->text, "/n_.");
}

TEST_F(TextInput, MaxLengthHoldsForEveryWayOfEntry) {
    input->maxLength = 3;
    press({'a', 'b', 'c', 'd', digit(5), digit(5)});
    EXPECT_EQ(input->text, "abc");
    input->setText("ab");
    press({digit(2), digit(2), digit(2), eKey::right, digit(3), 'z'});
    EXPECT_EQ(input->text, "abc");
    EXPECT_EQ(input->text.size(), 3u);
}

TEST_F(TextInput, CursorMovesAndBackspaceDeletesBeforeIt) {
    input->setText("/mnt/usb/lomvi.dat");
    EXPECT_EQ(input->cursorPosition(), 18u) << "set text puts the cursor at the end";
    press({eKey::left, eKey::left, eKey::left, eKey::backspace});
    EXPECT_EQ(input->text, "/mnt/usb/lomvidat");
    EXPECT_EQ(input->cursorPosition(), 14u);
    press({'-', eKey::right, eKey::right, eKey::right, eKey::right, 'x'});
    EXPECT_EQ(input->text, "/mnt/usb/lomvi-datx");
    for (int i = 0; i < 30; ++i)
        press({eKey::left});
    EXPECT_EQ(input->cursorPosition(), 0u);
    press({eKey::backspace, 'a'});
    EXPECT_EQ(input->text, "a/mnt/usb/lomvi-datx");
}

TEST_F(TextInput, BackspaceTakesBackAPendingCharacter) {
    input->setText("ab");
    press({digit(3), digit(3), eKey::backspace});
    EXPECT_EQ(input->text, "ab");
    EXPECT_FALSE(input->hasPendingChar());
    press({eKey::backspace, eKey::backspace, eKey::backspace});
    EXPECT_EQ(input->text, "");
}

TEST_F(TextInput, FocusedInputShowsItsCursor) {
    input->setText("abc");
    EXPECT_NE(screenText().find("abc|"), std::string::npos);
    press({eKey::left});
    EXPECT_NE(screenText().find("ab|c"), std::string::npos);
}

TEST_F(TextInput, LeavingTheInputCommitsThePendingCharacter) {
    auto* other = new eTextInputField(&window);
    other->move(ePoint(170, 58));
    other->resize(eSize(40, 30));
    other->show();
    press({digit(4), digit(4), eKey::down, digit(4)});
    EXPECT_EQ(input->text, "h");
    EXPECT_FALSE(input->hasPendingChar());
    EXPECT_EQ(other->text, "g");
    press({eKey::up, digit(4)});
    EXPECT_EQ(input->text, "hg");
}

TEST_F(TextInput, LongContentScrollsToKeepTheCursorInView) {
    input->setText(std::string(40, 'x') + "END");
    EXPECT_NE(screenText().find("xEND|"), std::string::npos);
}
