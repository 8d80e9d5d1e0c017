// setup_page.cpp: the setup page: Setup builds it, Save stores, Back returns.
#include "demo_dialog.h"
#include "dialog_places.h"
#include "epg_path_check.h"
#include "run_texts.h"
#include "settings_file.h"
#include "setup_values.h"

namespace {

const char kFilenameChars[] = "abcdefghijklmnopqrstuvwxyz1234567890/.-_";
const char kDaysChars[] = "1234567";

eTextInputField* newInput(eWidget* parent, const ePoint& position, const eSize& size,
                          int maxLength, const char* useableChars, const eString& text) {
    auto* input = new eTextInputField(parent, nullptr, nullptr, "eNumber");
    input->move(position);
    input->resize(size);
    input->loadDeco();
    input->setNextCharTimeout(1000);
    input->maxLength = maxLength;
    input->setUseableChars(useableChars);
    input->setText(text);
    input->show();
    return input;
}

eButton* newButton(eWidget* parent, const ePoint& position, const char* colour, const char* text) {
    auto* button = new eButton(parent, nullptr, 1, "eButton");
    button->move(position);
    button->resize(eSize(80, 30));
    button->setShortcut(colour);
    button->setShortcutPixmap(colour);
    button->loadDeco();
    button->setText(text);
    return button;
}

eLabel* newLabel(eWidget* parent, const ePoint& position, const char* text) {
    auto* label = new eLabel(parent, 0, 0, "eLabel");
    label->move(position);
    label->resize(eSize(150, 30));
    label->setText(text);
    label->show();
    return label;
}

}  // namespace

// Every visit builds the page anew, so its inputs open with the settings as
// they stand now. The widgets of earlier visits are not deleted: a widget
// belongs to its parent, and the toolkit releases the dialog's children when
// the dialog goes; deleting one behind the parent's back would leave the
// parent holding a freed child. They stay hidden, a few hundred bytes a visit.
void eDemoDialog::BsManual() {
    downloadButton->hide();
    setupButton->hide();
    infoLabel->hide();

    filenameInput = newInput(this, ePoint(170, 8), eSize(250, 30), kEpgFilenameInputLength,
                             kFilenameChars, settings.epgFilename);
    daysInput = newInput(this, ePoint(170, 58), eSize(40, 30), 1, kDaysChars,
                         eString().sprintf("%d", settings.daysToDownload));

    saveButton = newButton(this, ePoint(10, clientRect.height() - 35), "green", "Save");
    saveButton->pressed.connect(SigC::slot(*this, &eDemoDialog::BshGo));
    saveButton->show();
    backButton = newButton(this, ePoint(410, clientRect.height() - 35), "blue", "Back");
    backButton->pressed.connect(SigC::slot(*this, &eDemoDialog::BshEx));
    backButton->show();

    filenameLabel = newLabel(this, ePoint(10, 10), "EPG filename:");
    daysLabel = newLabel(this, ePoint(10, 60), "Days to download:");
}

// The new values are used from now on even when they cannot be stored. A
// path that a download will refuse is stored as typed, and the main page
// says so until a later Save stores another.
void eDemoDialog::BshGo() {
    BshEx();
    takeEpgFilenameInput(settings, filenameInput->text.c_str());
    settings.daysToDownload = parseDays(daysInput->text.c_str());
    const eString saveFailed = eString().sprintf("Unable to save settings file:\n%s", kSettingsPath);
    const EpgPathClash clash = checkEpgPath(settings.epgFilename, dialogPlaces());
    if (!saveSettings(kSettingsPath, settings))
        infoLabel->setText(saveFailed);
    else if (clash != EpgPathClash::None)
        infoLabel->setText(refusedOnSaveText(settings.epgFilename, clash).c_str());
    else if (infoLabel->text != kMainPageInfo)
        // An earlier save failed or stored a refused path; this one did
        // not, and the label must not say otherwise. Setup is only
        // reachable before a download run, so the label held the main
        // page's text before that.
        infoLabel->setText(kMainPageInfo);
}

void eDemoDialog::BshEx() {
    saveButton->hide();
    backButton->hide();
    filenameLabel->hide();
    daysLabel->hide();
    daysInput->hide();
    filenameInput->hide();

    downloadButton->show();
    setupButton->show();
    infoLabel->show();
}
