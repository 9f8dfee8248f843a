// The recorder's export and print commands and "Fit all data".
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "logger/data/pages.h"
#include "logger/data/textexport.h"
#include "logger/dialogs/dlgexportunit.h"
#include "logger/exportcommands.h"
#include "logger/graphicalrecord.h"
#include "logger/viewgraphunit.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/waitcursor.h"

namespace dmm {

void TGraphicalForm::sbtnFitViewClick() {
    TFormViewGraphic* viewer = FormViewGraphic;
    if (!viewer) {
        if (!ownViewer_) {
            ownViewer_ = new TFormViewGraphic(this);
            ownViewer_->SetRecorder(recorder_.get());
        }
        viewer = ownViewer_;
    }
    viewer->FormShow();
    Prompt().execDialog(*viewer);
    viewer->FormClose();
}

void TGraphicalForm::sbtnExportClick() {
    TDlgExportForm* dialog = DlgExportForm;
    if (!dialog) {
        if (!ownExport_) ownExport_ = new TDlgExportForm(this);
        dialog = ownExport_;
    }
    Recorder& rec = *recorder_;
    dialog->OfferText(true);
    dialog->rbtnTextClick();
    dialog->rbtnThisPageClick();
    dialog->editPageFrom->setText(QStringLiteral("1"));
    dialog->editPageTo->setText(QString::number(rec.iPageCount));
    dialog->ClearFileName();
    dialog->FocusOnShow(dialog->btnBrowse);
    dialog->SetViewerFlag(0);
    if (Prompt().execDialog(*dialog) != QDialog::Accepted) return;
    if (!CheckFileChosen(this, *dialog)) return;
    if (dialog->options().type == ExportType::Text)
        exportText(*dialog);
    else
        exportPictures(*dialog);
}

bool TGraphicalForm::exportPages(const TDlgExportForm& dialog, int& from, int& to) {
    const Recorder& rec = *recorder_;
    switch (dialog.options().scope) {
        case PageScope::ThisPage:
            from = to = rec.iCurrentPage;
            return true;
        case PageScope::AllPages:
            from = 1;
            to = rec.iPageCount;
            return true;
        case PageScope::Pages:
            break;
    }
    std::optional<int> first, last;
    for (const QLineEdit* edit : {dialog.editPageFrom, dialog.editPageTo}) {
        const std::string text = edit->text().toStdString();
        const std::optional<int> page = ParseInteger(text);
        if (!page) {
            Prompt().errorBox(this, QString::fromStdString(
                                        Format(LoadStr(str::NotAnInteger).c_str(), text.c_str())));
            return false;
        }
        (first ? last : first) = page;
    }
    // Only the pages that exist: a range beyond them would address records outside the buffer.
    const PageRange range = ClampPageRange(*first, *last, rec.iPageCount);
    if (range.empty()) {
        dmm::ShowStringMessage(
            this, str::WarningCaption,
            range.check == PageRange::Check::Reversed ? str::ReversedPages : str::NoSuchPages);
        return false;
    }
    from = range.from;
    to = range.to;
    return true;
}

void TGraphicalForm::exportText(const TDlgExportForm& dialog) {
    int from = 0, to = 0;
    if (!exportPages(dialog, from, to)) return;
    const Recorder& rec = *recorder_;
    WaitCursor hourglass;
    const IoStatus saved =
        SaveTextExport(QFile::encodeName(dialog.SaveDialog1.fileName).toStdString(), rec.List(),
                       rec.iPointsPerPage, rec.iPageCount, from, to);
    if (!saved) {
        dmm::ShowStringMessage(this, str::ErrorCaption, str::FileSaveError,
                               QString::fromStdString(saved.message));
    }
}

void TGraphicalForm::exportPictures(const TDlgExportForm& dialog) {
    const ExportOptions& o = dialog.options();
    Recorder& rec = *recorder_;
    int from = rec.iCurrentPage, to = rec.iCurrentPage;
    const bool printing = o.destination == ExportDestination::Printer;
    // The clipboard and a file take the page on show.
    if (printing && !exportPages(dialog, from, to)) return;

    // Several pages print as one job: one question for the printer, a sheet per page.
    if (printing) PEGraph->BeginPrintJob();
    bool failed = false;  // and said so
    for (int page = from; page <= to; ++page) {
        rec.LoadPage(page);
        PEGraph->setExportWidth(0);
        PEGraph->setExportHeight(0);
        PEGraph->PerformAction(ChartAction::Reinitialize);
        QCoreApplication::processEvents();
        ApplyExportSettings(*PEGraph, dialog);
        bool done = false;
        if (printing) {
            PEGraph->setViewingStyle(dmm::PEGraph::gMonochrome);
            PEGraph->PerformAction(ChartAction::RebuildForExport);
            done = RunChartAction(this, *PEGraph, ChartAction::PrintWithSetup);
            PEGraph->setViewingStyle(dmm::PEGraph::gColor);
            PEGraph->PerformAction(ChartAction::Reinitialize);
        } else {
            done = RunChartAction(this, *PEGraph, PictureActionFor(o.type, o.destination));
        }
        if (!done) {
            failed = true;
            break;
        }
    }
    if (printing && !PEGraph->EndPrintJob() && !failed)
        ShowChartFailure(this, *PEGraph, ChartAction::PrintWithSetup);
    rec.ShowPage();
}

void TGraphicalForm::sbtnPrintGraphicClick() {
    // The export size is the one a picture export last set (0 after a chart reset).
    PEGraph->setViewingStyle(dmm::PEGraph::gMonochrome);
    PEGraph->PerformAction(ChartAction::RebuildForExport);
    QCoreApplication::processEvents();
    RunChartAction(this, *PEGraph, ChartAction::Print);
    PEGraph->setViewingStyle(dmm::PEGraph::gColor);
    PEGraph->PerformAction(ChartAction::Reinitialize);
}

}  // namespace dmm
