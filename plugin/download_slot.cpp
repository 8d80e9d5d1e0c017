// download_slot.cpp: the Download button's slot, wiring the download run to
// the dialog's widgets and the box's fixed paths.
#include "demo_dialog.h"
#include "command_runner.h"
#include "download_run.h"

namespace {

class DialogView final : public DownloadView {
public:
    DialogView(eLabel* info, eButton* download, eButton* setup)
        : info(info), download(download), setup(setup) {}

    void setInfoText(const char* text) override { info->setText(text); }

    // The run never shows them again: the way on is the exit key.
    void hideButtons() override {
        download->hide();
        setup->hide();
    }

private:
    eLabel* info;
    eButton* download;
    eButton* setup;
};

}  // namespace

void eDemoDialog::BsInternet() {
    DialogView view(infoLabel, downloadButton, setupButton);
    SystemClock clock;
    TimedShellRunner shell(defaultFetchTimeout());
    runDownload(epgFilename, daysToDownload, kBoxPlaces, view, clock, shell);
}
