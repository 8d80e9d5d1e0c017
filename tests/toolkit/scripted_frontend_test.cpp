// scripted_frontend_test.cpp: the key script player's screens and its
// handling of text, wait and the end of the script.
#include <gtest/gtest.h>

#include "eclock.h"
#include "edesktop.h"
#include "escriptedfrontend.h"
#include "host_toolkit.h"

namespace {
struct Screen {
    std::string heading;
    std::string text;
};

class Scripted : public ::testing::Test {
protected:
    void SetUp() override {
        window.cmove(ePoint(100, 350));
        window.cresize(eSize(500, 150));
        window.setText("Script");
        label = new eLabel(&window);
        label->move(ePoint(10, 10));
        label->resize(eSize(480, 30));
        label->setText("idle");
    }

    std::vector<Screen> play(std::vector<std::string> script) {
        screens.clear();
        eScriptedFrontend frontend(script, [&](const std::string& heading, const std::vector<std::string>& rows) {
            std::string text;
            for (const std::string& row : rows)
                text += row + "\n";
            screens.push_back({heading, text});
        });
        eDesktop::setFrontend(&frontend);
        window.show();
        window.exec();
        window.hide();
        eDesktop::setFrontend(nullptr);
        return screens;
    }

    std::vector<Screen> screens;  // as reported so far

    static std::vector<std::string> headings(const std::vector<Screen>& screens) {
        std::vector<std::string> out;
        for (const Screen& s : screens)
            out.push_back(s.heading);
        return out;
    }

    eWindow window{1};
    eLabel* label = nullptr;
};

bool shows(const Screen& screen, const std::string& text) { return screen.text.find(text) != std::string::npos; }
}  // namespace

TEST_F(Scripted, EveryTextChangeInsideAKeyGivesAScreen) {
    auto* button = new eButton(&window, nullptr, 1, "eButton");
    button->move(ePoint(10, 115));
    button->resize(eSize(130, 30));
    button->setShortcut("green");
    button->setShortcutPixmap("green");
    button->setText("Run");
    button->pressed.connect([&] {
        button->hide();
        for (int i = 1; i <= 3; ++i) {
            label->setText(eString().sprintf("step %d", i));
            // Out before the slot goes on: it may block for long after this.
            ASSERT_FALSE(screens.empty());
            EXPECT_TRUE(shows(screens.back(), eString().sprintf("step %d", i)));
        }
        label->setText("done");
    });
    play({"green"});
    ASSERT_EQ(headings(screens), (std::vector<std::string>{"shown", "during green", "during green",
                                                           "during green", "during green", "after green",
                                                           "after exit"}));
    EXPECT_TRUE(shows(screens[0], "idle"));
    EXPECT_TRUE(shows(screens[0], "[green] Run"));
    EXPECT_TRUE(shows(screens[1], "step 1"));
    EXPECT_FALSE(shows(screens[1], "Run")) << "the hidden button is gone by then";
    EXPECT_TRUE(shows(screens[2], "step 2"));
    EXPECT_TRUE(shows(screens[3], "step 3"));
    EXPECT_TRUE(shows(screens[4], "done"));
    EXPECT_TRUE(shows(screens[5], "done"));
}

TEST_F(Scripted, ExitPressedOnceWhenTheScriptRunsOut) {
    std::vector<Screen> screens = play({"up", "7"});
    EXPECT_EQ(headings(screens), (std::vector<std::string>{"shown", "after up", "after 7", "after exit"}));
}

TEST_F(Scripted, ExplicitExitEndsTheScriptEarly) {
    std::vector<Screen> screens = play({"exit", "green", "blue"});
    EXPECT_EQ(headings(screens), (std::vector<std::string>{"shown", "after exit"}));
}

TEST_F(Scripted, TextTypesIntoTheInputAndWaitCommitsMultiTap) {
    auto* input = new eTextInputField(&window);
    input->move(ePoint(170, 58));
    input->resize(eSize(250, 30));
    input->setNextCharTimeout(1000);
    input->setUseableChars("abcdefghijklmnopqrstuvwxyz1234567890/.-_");
    std::vector<Screen> screens = play({"text:ab/", "2", "2", "wait", "2", "text:"});
    // A digit changes the input's text while its key is handled; a text:
    // entry shows only where its typing ends.
    EXPECT_EQ(headings(screens), (std::vector<std::string>{"shown", "after text:ab/", "during 2", "after 2",
                                                           "during 2", "after 2", "after wait", "during 2",
                                                           "after 2", "after text:", "after exit"}));
    EXPECT_TRUE(shows(screens[1], "ab/|"));
    EXPECT_EQ(input->text, "ab/ba");
    EXPECT_FALSE(eClock::isManual()) << "the clock runs again once the script is done";
}

TEST(ScriptEntries, ValidNames) {
    for (const char* good : {"red", "green", "yellow", "blue", "exit", "ok", "up", "down", "left", "right",
                             "backspace", "0", "9", "text:x y", "text:", "wait"})
        EXPECT_TRUE(eScriptedFrontend::validEntry(good)) << good;
    for (const char* bad : {"", "purple", "10", "Text:x", "OK", "f1"})
        EXPECT_FALSE(eScriptedFrontend::validEntry(bad)) << bad;
}
