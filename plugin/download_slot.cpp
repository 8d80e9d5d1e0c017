// download_slot.cpp: the Download button's slot, wiring the download run to
// the dialog's widgets and the box's fixed paths.
#include "demo_dialog.h"
#include "day_documents.h"
#include "dialog_places.h"
#include "download_run.h"
#include "run_texts.h"
#include "source_file.h"
#include "xmltv_source.h"

namespace {

// The info label shows the fetch under way, then the outcome.
class DialogView final : public DownloadView {
public:
    explicit DialogView(eLabel* info) : info(info) {}

    void fetchStarted(const FetchStart& fetch) override { info->setText(progressText(fetch)); }
    void guideProgress(const GuideProgress& progress) override { info->setText(guideProgressText(progress)); }
    void runEnded(const RunReport& report) override { info->setText(outcomeText(report)); }

private:
    eLabel* info;
};

}  // namespace

void eDemoDialog::BsInternet() {
    // The run never shows them again: the way on is the exit key.
    downloadButton->hide();
    setupButton->hide();

    DialogView view(infoLabel);
    SystemClock clock;
    // The source file says where the guide comes from; a wrong one is
    // shown, and nothing is touched.
    GuideSourceSettings guideSource;
    if (Failure failure = readSourceFile(kSourcePath, guideSource)) {
        RunReport report;
        report.outcome = RunOutcome::Failed;
        report.failure = std::move(failure);
        view.runEnded(report);
        return;
    }
    if (guideSource.xmltv()) {
        TimedShellRunner shell(defaultFetchTimeout());
        XmltvSource source(guideSource, shell);
        runDownload(settings.epgFilename, settings.daysToDownload, dialogPlaces(), view, clock, source);
        return;
    }
    WgetDocuments documents(kBoxPlaces.tempDir, defaultFetchTimeout());
    DayDocuments source(documents);
    runDownload(settings.epgFilename, settings.daysToDownload, dialogPlaces(), view, clock, source);
}
