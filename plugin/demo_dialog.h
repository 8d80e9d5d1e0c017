// demo_dialog.h: the plug-in's dialog: main page, setup page and settings.
#pragma once

#include "host_toolkit.h"
#include "settings.h"

// The main page's info text: a credit line and the hint.
inline constexpr char kMainPageInfo[] =
    "Tarvio: TV guide downloader for your box\nPress blue button to setup.";

class eDemoDialog : public eWindow {
public:
    eDemoDialog();
    ~eDemoDialog() override;

    int eventHandler(const eWidgetEvent& event) override;

    void BsInternet();  // Download: the download run
    void BsManual();    // Setup: builds and shows the setup page
    void BshGo();       // Save: stores the settings, back to the main page
    void BshEx();       // Back: back to the main page

private:
    eButton* downloadButton;
    eButton* setupButton;
    eButton* saveButton = nullptr;
    eButton* backButton = nullptr;
    eLabel* infoLabel;
    eLabel* filenameLabel = nullptr;
    eLabel* daysLabel = nullptr;
    eTextInputField* filenameInput = nullptr;
    eTextInputField* daysInput = nullptr;
    // epgFilename and daysToDownload, loaded at construction.
    Settings settings;
};
