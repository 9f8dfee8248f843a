#include "logger/exportcommands.h"

#include <QPrinter>

#include "logger/chart/pegraph.h"
#include "logger/dialogs/dlgexportunit.h"
#include "resources/strings.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

bool CheckFileChosen(QWidget* owner, const TDlgExportForm& dialog) {
    const ExportOptions& o = dialog.options();
    if (o.destination != ExportDestination::File || !o.fileName.empty()) return true;
    ShowStringMessage(owner, str::ErrorCaption, str::BrowseFirst);
    return false;
}

void ApplyExportSettings(PEGraph& chart, const TDlgExportForm& dialog) {
    const ExportOptions& o = dialog.options();
    chart.setExportWidth(ExportSizeOf(o.objectWidth));
    chart.setExportHeight(ExportSizeOf(o.objectHeight));
    chart.setExportFileName(dialog.SaveDialog1.fileName);
}

bool RunChartAction(QWidget* owner, PEGraph& chart, ChartAction action) {
    const Status done = chart.PerformAction(action);
    if (done) return true;
    ShowChartFailure(owner, done, action);
    return false;
}

void ShowChartFailure(QWidget* owner, const Status& failure, ChartAction action) {
    if (failure.code() == StatusCode::ChartCancelled) return;
    int text = str::FileSaveError;
    if (action == ChartAction::Print || action == ChartAction::PrintWithSetup)
        text = str::PrintError;
    else if (action == ChartAction::BitmapToClipboard || action == ChartAction::MetafileToClipboard)
        text = str::ClipboardError;
    ShowStringMessage(owner, str::ErrorCaption, text, QString::fromStdString(failure.reason()));
}

bool PreparePrinter(QWidget* owner, const QPrinter* setup, QPrinter& printer, bool withSetup) {
    if (setup) {
        if (setup->outputFormat() == QPrinter::NativeFormat) {
            printer.setPrinterName(setup->printerName());
        } else {
            printer.setOutputFormat(setup->outputFormat());
            printer.setOutputFileName(setup->outputFileName());
        }
        printer.setPageLayout(setup->pageLayout());
        printer.setColorMode(setup->colorMode());
        printer.setDuplex(setup->duplex());
        printer.setCopyCount(setup->copyCount());
    }
    return !withSetup || Prompt().printDialog(owner, printer);
}

}  // namespace dmm
