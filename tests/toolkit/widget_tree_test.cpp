// widget_tree_test.cpp: geometry, visibility, drawing and ownership of the
// widget tree, checked on the rendered screen.
#include <gtest/gtest.h>

#include "host_toolkit.h"
#include "key_feeder.h"

namespace {
// A window like the plug-in's: client area 500x150 at (100, 350).
struct TestWindow : eWindow {
    TestWindow() : eWindow(1) {
        cmove(ePoint(100, 350));
        cresize(eSize(500, 150));
        setText("Title");
    }
};

eLabel* makeLabel(eWidget* parent, ePoint at, eSize size, const char* text) {
    auto* label = new eLabel(parent, 0, 0, "eLabel");
    label->move(at);
    label->resize(size);
    label->setText(text);
    return label;
}

// Counts destructions, to see who releases whom.
struct CountedLabel : eLabel {
    CountedLabel(eWidget* parent, int* count_) : eLabel(parent), count(count_) {}
    ~CountedLabel() override { ++*count; }
    int* count;
};
}  // namespace

TEST(WidgetTree, ClientAreaAndChildGeometry) {
    TestWindow window;
    EXPECT_EQ(window.clientRect.left(), 100);
    EXPECT_EQ(window.clientRect.top(), 350);
    EXPECT_EQ(window.clientRect.width(), 500);
    EXPECT_EQ(window.clientRect.height(), 150);
    // The frame lies outside the client area.
    EXPECT_LT(window.getPosition().left(), 100);
    EXPECT_LT(window.getPosition().top(), 350);

    eLabel* label = makeLabel(&window, ePoint(10, 10), eSize(480, 130), "x");
    EXPECT_EQ(label->clientRect.left(), 10);
    EXPECT_EQ(label->clientRect.width(), 480);
    eRect onScreen = label->screenClientRect();
    EXPECT_EQ(onScreen.left(), 110);
    EXPECT_EQ(onScreen.top(), 360);

    // Moving the window keeps the client size and carries the children.
    window.cmove(ePoint(200, 100));
    EXPECT_EQ(window.clientRect.width(), 500);
    EXPECT_EQ(label->screenClientRect().left(), 210);
}

TEST(WidgetTree, WindowShowsFrameTitleAndChildren) {
    TestWindow window;
    makeLabel(&window, ePoint(10, 10), eSize(200, 30), "Hello there");
    EXPECT_TRUE(eDesktop::renderRows().empty()) << "nothing shows before show()";
    window.show();
    std::vector<std::string> rows = eDesktop::renderRows();
    ASSERT_GE(rows.size(), 3u);
    // Client (100,350)-(600,500): cells 12..75 x 21..31, framed one cell out.
    EXPECT_EQ(rows.front(), std::string(11, ' ') + "+- Title " + std::string(55, '-') + "+");
    EXPECT_EQ(rows.back(), std::string(11, ' ') + "+" + std::string(63, '-') + "+");
    EXPECT_EQ(rows[2], std::string(11, ' ') + "| Hello there" + std::string(51, ' ') + "|");
    window.hide();
}

TEST(WidgetTree, HiddenWidgetsAreNotDrawnAndFreeTheirArea) {
    TestWindow window;
    eLabel* first = makeLabel(&window, ePoint(10, 10), eSize(200, 30), "first page");
    auto* box = new eLabel(&window);
    box->move(ePoint(0, 60));
    box->resize(eSize(300, 40));
    eLabel* inner = makeLabel(box, ePoint(10, 0), eSize(200, 20), "inside box");
    window.show();
    EXPECT_NE(screenText().find("first page"), std::string::npos);
    EXPECT_NE(screenText().find("inside box"), std::string::npos);

    first->hide();
    eLabel* second = makeLabel(&window, ePoint(10, 10), eSize(200, 30), "second");
    second->show();
    EXPECT_EQ(screenText().find("first page"), std::string::npos);
    EXPECT_NE(screenText().find("second"), std::string::npos);

    // A child of a hidden widget is not drawn, though itself shown.
    box->hide();
    EXPECT_TRUE(inner->isShownFlag());
    EXPECT_FALSE(inner->isVisible());
    EXPECT_EQ(screenText().find("inside box"), std::string::npos);
    window.hide();
}

TEST(WidgetTree, TextIsClippedToTheWidget) {
    TestWindow window;
    makeLabel(&window, ePoint(10, 10), eSize(80, 16), "0123456789ABCDEFGHIJ\nsecond line");
    window.show();
    std::string screen = screenText();
    EXPECT_NE(screen.find("0123456789 "), std::string::npos);
    EXPECT_EQ(screen.find("ABC"), std::string::npos);
    EXPECT_EQ(screen.find("second"), std::string::npos);
    window.hide();
}

TEST(WidgetTree, WrappingLabelShowsLineBreaksWithinItsWidth) {
    TestWindow window;
    eLabel* label = makeLabel(&window, ePoint(10, 10), eSize(160, 80), "");
    label->setProperty("wrap", "on");
    label->setText("one two three four five six\nnext");
    window.show();
    std::vector<std::string> rows = eDesktop::renderRows();
    // 160 pixels: 20 cells from column 13.
    EXPECT_EQ(rows[2].substr(13, 20), "one two three four  ");
    EXPECT_EQ(rows[3].substr(13, 20), "five six            ");
    EXPECT_EQ(rows[4].substr(13, 20), "next                ");
    window.hide();
}

TEST(WidgetTree, ChildAddedToAVisibleWindowWaitsForItsShow) {
    TestWindow window;
    window.show();
    eLabel* late = makeLabel(&window, ePoint(10, 10), eSize(200, 30), "late");
    EXPECT_EQ(screenText().find("late"), std::string::npos);
    late->show();
    EXPECT_NE(screenText().find("late"), std::string::npos);
    window.hide();
}

TEST(WidgetTree, ParentReleasesChildrenAndChildrenLeaveTheirParent) {
    int destroyed = 0;
    {
        TestWindow window;
        auto* a = new CountedLabel(&window, &destroyed);
        new CountedLabel(a, &destroyed);
        auto* b = new CountedLabel(&window, &destroyed);
        EXPECT_EQ(window.getChildren().size(), 2u);
        delete b;
        EXPECT_EQ(destroyed, 1);
        ASSERT_EQ(window.getChildren().size(), 1u);
        EXPECT_EQ(window.getChildren()[0], a);
    }
    EXPECT_EQ(destroyed, 3);
    EXPECT_TRUE(eDesktop::windows().empty());
}

TEST(WidgetTree, StringSprintfFormatsAndReplaces) {
    eString s("old content");
    EXPECT_EQ(s.sprintf("%d/%s", 7, "x"), "7/x");
    EXPECT_EQ(s, "7/x");
    std::string longText(5000, 'y');
    EXPECT_EQ(s.sprintf("%s!", longText.c_str()).size(), 5001u);
}
