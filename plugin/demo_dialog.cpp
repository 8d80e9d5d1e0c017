// demo_dialog.cpp: the dialog's constructor (main page) and event handler.
#include "demo_dialog.h"
#include "build_info.h"
#include "settings_file.h"

#include <cstdio>

eDemoDialog::eDemoDialog() : eWindow(1) {
    // The settings start at their defaults.
    loadSettings(kSettingsPath, settings);

    cmove(ePoint(100, 350));
    cresize(eSize(500, 150));
    setText(eString("Tarvio Downloader - v") + kTarvioVersion);

    infoLabel = new eLabel(this, 0, 0, "eLabel");
    infoLabel->move(ePoint(10, 10));
    infoLabel->resize(eSize(clientRect.width() - 20, clientRect.height() - 20));
    infoLabel->setProperty("wrap", "on");

    downloadButton = new eButton(this, nullptr, 1, "eButton");
    downloadButton->move(ePoint(10, clientRect.height() - 35));
    downloadButton->resize(eSize(130, 30));
    downloadButton->setShortcut("green");
    downloadButton->setShortcutPixmap("green");
    downloadButton->loadDeco();
    downloadButton->setText("Download");
    downloadButton->pressed.connect(SigC::slot(*this, &eDemoDialog::BsInternet));

    setupButton = new eButton(this, nullptr, 1, "eButton");
    setupButton->move(ePoint(360, clientRect.height() - 35));
    setupButton->resize(eSize(130, 30));
    setupButton->setShortcut("blue");
    setupButton->setShortcutPixmap("blue");
    setupButton->loadDeco();
    setupButton->setText("Setup");
    setupButton->pressed.connect(SigC::slot(*this, &eDemoDialog::BsManual));

    infoLabel->setText(kMainPageInfo);
}

eDemoDialog::~eDemoDialog() = default;

int eDemoDialog::eventHandler(const eWidgetEvent& event) {
    if (event.type == eWidgetEvent::wantClose)
        std::fputs("WCLOSE!", stderr);
    return eWindow::eventHandler(event);
}
