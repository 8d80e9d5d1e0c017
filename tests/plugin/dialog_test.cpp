// dialog_test.cpp: the plug-in's dialog in-process: the main page as shown,
// the close diagnostic, and the entry point. Runs inside a private box root.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "box_root.h"
#include "demo_dialog.h"
#include "key_feeder.h"
#include "temp_box.h"

namespace {
int rowOf(const std::vector<std::string>& rows, const std::string& text) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].find(text) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}
}  // namespace

TEST(Dialog, MainPageAsShown) {
    eDemoDialog dialog;
    EXPECT_EQ(dialog.clientRect.left(), 100);
    EXPECT_EQ(dialog.clientRect.top(), 350);
    EXPECT_EQ(dialog.clientRect.width(), 500);
    EXPECT_EQ(dialog.clientRect.height(), 150);
    EXPECT_TRUE(eDesktop::renderRows().empty()) << "nothing shows before show()";
    dialog.show();
    std::vector<std::string> rows = eDesktop::renderRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_NE(rows[0].find("+- Tarvio Downloader - v0.6b -"), std::string::npos);
    int hint = rowOf(rows, "Press blue button to setup.");
    ASSERT_GT(hint, 1);
    // The credit line stands on the label's first row, the hint below it.
    EXPECT_EQ(rows[static_cast<size_t>(hint - 1)].find("|  "), std::string::npos);
    int buttons = rowOf(rows, "[green] Download");
    ASSERT_GT(buttons, hint);
    EXPECT_EQ(rowOf(rows, "[blue] Setup"), buttons);
    EXPECT_LT(rows[static_cast<size_t>(buttons)].find("Download"),
              rows[static_cast<size_t>(buttons)].find("Setup"));
    dialog.hide();
}

TEST(Dialog, InfoLabelWrapsWithinTheWindow) {
    eDemoDialog dialog;
    dialog.show();
    // The label is the dialog's first child; it is 480 pixels (60 cells) wide.
    auto* label = dynamic_cast<eLabel*>(dialog.getChildren().front());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wraps());
    label->setText(std::string(50, 'a') + " " + std::string(20, 'b') + "\nnext");
    std::vector<std::string> rows = eDesktop::renderRows();
    int first = rowOf(rows, std::string(50, 'a'));
    ASSERT_GE(first, 0);
    EXPECT_NE(rows[static_cast<size_t>(first + 1)].find(std::string(20, 'b')), std::string::npos);
    EXPECT_NE(rows[static_cast<size_t>(first + 2)].find("next"), std::string::npos);
    dialog.hide();
}

TEST(Dialog, CloseRequestWritesTheDiagnosticOncePerEvent) {
    eDemoDialog dialog;
    dialog.show();
    testing::internal::CaptureStderr();
    {
        KeyFeeder keys({eKey::down, eKey::exit, eKey::exit});
        dialog.exec();
        EXPECT_EQ(keys.keys.size(), 1u) << "the first exit closed the loop";
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WCLOSE!");

    testing::internal::CaptureStderr();
    EXPECT_EQ(dialog.eventHandler(eWidgetEvent(eWidgetEvent::wantClose)), 1);
    EXPECT_EQ(dialog.eventHandler(eWidgetEvent(eWidgetEvent::wantClose)), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WCLOSE!WCLOSE!");
    dialog.hide();
}

TEST(Dialog, OtherEventsWriteNothingAndReachTheWindow) {
    eDemoDialog dialog;
    dialog.show();
    eWidget* before = dialog.focusedWidget();
    ASSERT_NE(before, nullptr);
    testing::internal::CaptureStderr();
    // A key press reaches the base handler: down moves the focus.
    dialog.eventHandler(eWidgetEvent(eWidgetEvent::keyPressed, eKey::down));
    EXPECT_NE(dialog.focusedWidget(), before);
    for (int type : {0, 2, 3, 4, 5, 6, 16, 18, 1017})
        dialog.eventHandler(eWidgetEvent(type));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    dialog.hide();
}

TEST(Dialog, EntryPointRunsTheDialogFromStartToEnd) {
    testing::internal::CaptureStderr();
    int result;
    {
        KeyFeeder keys({eKey::blue, eKey::exit});
        result = plugin_exec(nullptr);
        EXPECT_TRUE(keys.keys.empty());
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WCLOSE!");
    EXPECT_TRUE(eDesktop::windows().empty()) << "the dialog and its widgets are gone";
}

TEST(Dialog, SaveAfterAFailedSaveClearsTheFailureMessage) {
    const char* plugins = "/var/kestra/plugins";
    const std::string settings = std::string(plugins) + "/tarvio.conf";
    std::remove(settings.c_str());
    ASSERT_EQ(rmdir(plugins), 0) << "the box holds an empty plugins folder";
    eDemoDialog dialog;
    dialog.show();
    auto press = [&](int key) { dialog.eventHandler(eWidgetEvent(eWidgetEvent::keyPressed, key)); };

    press(eKey::blue);
    press(eKey::green);
    EXPECT_NE(screenText().find("Unable to save settings file:"), std::string::npos);

    ASSERT_EQ(mkdir(plugins, 0755), 0);
    press(eKey::blue);
    press(eKey::green);
    const std::string shown = screenText();
    EXPECT_EQ(shown.find("Unable to save settings file:"), std::string::npos);
    EXPECT_NE(shown.find("Press blue button to setup."), std::string::npos);
    EXPECT_EQ(access(settings.c_str(), F_OK), 0) << "the second save stored the file";
    dialog.hide();
    std::remove(settings.c_str());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TempBox box;
    if (!box.valid()) {
        std::fprintf(stderr, "dialog_tests: cannot make a box folder\n");
        return 1;
    }
    std::string error;
    if (!enterBoxRoot(box.path(), error)) {
        std::fprintf(stderr, "dialog_tests: %s\n", error.c_str());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    return result;
}
