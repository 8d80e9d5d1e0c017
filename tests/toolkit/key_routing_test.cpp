// key_routing_test.cpp: the modal loop, the exit key, colour-key shortcuts
// and focus.
#include <gtest/gtest.h>

#include "host_toolkit.h"
#include "key_feeder.h"

namespace {
// Records every event that reaches the window's virtual handler.
struct RecordingWindow : eWindow {
    RecordingWindow() : eWindow(1) {
        cmove(ePoint(100, 350));
        cresize(eSize(500, 150));
    }
    int eventHandler(const eWidgetEvent& event) override {
        types.push_back(event.type);
        return eWindow::eventHandler(event);
    }
    std::vector<int> types;
};

eButton* makeButton(eWidget* parent, int x, const char* colour, const char* text, int* presses) {
    auto* button = new eButton(parent, nullptr, 1, "eButton");
    button->move(ePoint(x, 115));
    button->resize(eSize(130, 30));
    button->setShortcut(colour);
    button->setShortcutPixmap(colour);
    button->loadDeco();
    button->setText(text);
    button->pressed.connect([presses] { ++*presses; });
    return button;
}
}  // namespace

TEST(KeyRouting, ExitReachesTheWindowAsCloseRequestAndEndsTheLoop) {
    RecordingWindow window;
    window.show();
    KeyFeeder keys({eKey::down, eKey::exit, eKey::green});
    window.exec();
    EXPECT_EQ(window.types, (std::vector<int>{eWidgetEvent::keyPressed, eWidgetEvent::wantClose}));
    // The loop ended at exit: green was never taken.
    EXPECT_EQ(keys.keys.size(), 1u);
    EXPECT_EQ(keys.handled, (std::vector<int>{eKey::down, eKey::exit}));
}

TEST(KeyRouting, LoopEndsWhenTheFrontendRunsDry) {
    RecordingWindow window;
    window.show();
    KeyFeeder keys({eKey::ok});
    window.exec();
    EXPECT_FALSE(window.inModalLoop());
    EXPECT_EQ(keys.handled.size(), 1u);
}

TEST(KeyRouting, ColourKeyPressesOnlyTheVisibleButtonCarryingIt) {
    RecordingWindow window;
    int mainPresses = 0, setupPresses = 0, otherPresses = 0;
    eButton* mainGreen = makeButton(&window, 10, "green", "Download", &mainPresses);
    window.show();
    eButton* setupGreen = makeButton(&window, 10, "green", "Save", &setupPresses);
    makeButton(&window, 360, "blue", "Other", &otherPresses);

    // The second green button was added to the visible window and not yet shown.
    KeyFeeder keys({eKey::green});
    window.exec();
    EXPECT_EQ(mainPresses, 1);
    EXPECT_EQ(setupPresses, 0);

    mainGreen->hide();
    setupGreen->show();
    keys.keys = {eKey::green, eKey::green};
    window.exec();
    EXPECT_EQ(mainPresses, 1);
    EXPECT_EQ(setupPresses, 2);
    EXPECT_EQ(otherPresses, 0);

    setupGreen->hide();
    keys.keys = {eKey::green, eKey::red};
    window.exec();
    EXPECT_EQ(mainPresses + setupPresses + otherPresses, 3) << "no visible button on green or red";
    window.hide();
}

TEST(KeyRouting, ButtonsShowTheirColourKey) {
    RecordingWindow window;
    int presses = 0;
    makeButton(&window, 10, "green", "Download", &presses);
    eButton* narrow = makeButton(&window, 360, "blue", "Back", &presses);
    narrow->resize(eSize(80, 30));
    window.show();
    std::string screen = screenText();
    EXPECT_NE(screen.find("[green] Download"), std::string::npos);
    EXPECT_NE(screen.find("[B] Back"), std::string::npos) << screen;
    window.hide();
}

TEST(KeyRouting, FocusMovesUpAndDownInCreationOrderSkippingHidden) {
    RecordingWindow window;
    int a = 0, b = 0, c = 0;
    eButton* first = makeButton(&window, 10, "red", "A", &a);
    auto* label = new eLabel(&window);  // not focusable
    label->resize(eSize(10, 10));
    eButton* second = makeButton(&window, 150, "green", "B", &b);
    eButton* third = makeButton(&window, 300, "blue", "C", &c);
    window.show();
    EXPECT_EQ(window.focusedWidget(), first);

    KeyFeeder keys({eKey::down, eKey::ok});
    window.exec();
    EXPECT_EQ(window.focusedWidget(), second);
    EXPECT_EQ(b, 1);
    EXPECT_NE(screenText().find(">[green] B"), std::string::npos);

    second->hide();
    // Focus left the hidden button for the first visible one.
    EXPECT_EQ(window.focusedWidget(), first);
    keys.keys = {eKey::down, eKey::ok, eKey::down, eKey::up, eKey::up, eKey::ok};
    window.exec();
    EXPECT_EQ(c, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(a, 1) << "up from the first wraps to the last, up again back to the first";
    EXPECT_EQ(window.focusedWidget(), first);
    (void)third;
    window.hide();
}

TEST(KeyRouting, NoFocusWhenEverythingFocusableIsHidden) {
    RecordingWindow window;
    int presses = 0;
    eButton* only = makeButton(&window, 10, "green", "Download", &presses);
    window.show();
    only->hide();
    EXPECT_EQ(window.focusedWidget(), nullptr);
    KeyFeeder keys({eKey::ok, eKey::down, eKey::green});
    window.exec();
    EXPECT_EQ(presses, 0);
    window.hide();
}

TEST(KeyRouting, SlotMayRebuildThePageWhileItsKeyIsHandled) {
    RecordingWindow window;
    int presses = 0;
    eButton* start = makeButton(&window, 10, "green", "Start", &presses);
    eLabel* created = nullptr;
    start->pressed.connect([&] {
        start->hide();
        created = new eLabel(&window);
        created->move(ePoint(10, 10));
        created->resize(eSize(200, 30));
        created->setText("built by the slot");
        created->show();
    });
    window.show();
    KeyFeeder keys({eKey::green});
    window.exec();
    ASSERT_NE(created, nullptr);
    EXPECT_NE(screenText().find("built by the slot"), std::string::npos);
    EXPECT_EQ(screenText().find("Start"), std::string::npos);
    window.hide();
}
