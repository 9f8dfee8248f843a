#include "logger/graphicalview.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "displays/datapagelist.h"
#include "logger/chart/pegraph.h"
#include "logger/dialogs/dlgexportunit.h"
#include "logger/dialogs/dlgoption.h"
#include "logger/exportcommands.h"
#include "logger/graphicalrecord.h"
#include "resources/strings.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {

namespace {

const QColor kPurple(128, 0, 128);
const QColor kSilver(192, 192, 192);

const QString kLoggerFilter = QStringLiteral("Data Logger files(*.g26)");
const QString kTempFilter = QStringLiteral("Temporary files(*.TMP)");
const QString kAllFilter = QStringLiteral("All files(*.*)");
const QString kLoggerSuffix = QStringLiteral("g26");
const QString kUntitled = QStringLiteral("Untitled.g26");

void ShowGroup(const PanelGroup& g, QLabel* data, QLabel* unit, QLabel* func) {
    data->setText(QString::fromStdString(g.data));
    unit->setText(QString::fromStdString(g.unit));
    unit->setAlignment(PanelAlignment(g.unitStyle.align));
    func->setText(QString::fromStdString(g.func));
    func->setAlignment(PanelAlignment(g.funcStyle.align));
}

}  // namespace

GraphicalView::GraphicalView(TGraphicalForm& form) : form_(form) {}

GraphicalView::~GraphicalView() {
    if (waitCursor_) QApplication::restoreOverrideCursor();
}

// ---- the recorder's calls ----

void GraphicalView::SetUpChart(int points) {
    dmm::PEGraph* chart = form_.PEGraph;
    chart->setMainTitle(Str(str::ChartTitle));
    chart->setSubTitle(QString());
    chart->setYAxisLabel(Str(str::ReadingLabel));
    chart->setXAxisLabel(Str(str::TimeLabel));
    chart->setNullDataValue(kChartNullValue);
    chart->setSubsets(1);
    chart->setPoints(points);
    chart->setMaxPointsToGraph(points);
    chart->setPointsToGraph(points);
    chart->setSubsetStyle(0, 0);
    chart->setPlottingMethod(dmm::PEGraph::gLine);
    chart->setManualMaxDataString(QStringLiteral("00000000.000"));
    chart->setManualMaxPointLabel(QStringLiteral("00:00:00.000"));
    chart->setDataPrecision(dmm::PEGraph::gThreeDecimals);
    chart->setDeskColor(form_.palette().color(QPalette::Button));
    chart->setGraphBackColor(Qt::black);
    chart->setGraphForeColor(kPurple);
    chart->setSubsetColor(0, kSilver);
    chart->setManualScaleControlY(dmm::PEGraph::gManualMinAndMax);
    chart->setManualMinY(-100);
    chart->setManualMaxY(100);
    chart->setNoStackedData(true);
    chart->setAllowHistogram(false);
    chart->setAllowDataHotSpots(true);
    chart->setPointsToGraphInit(dmm::PEGraph::gLast);
    chart->setPointSize(dmm::PEGraph::gLargePoints);
    chart->setPointLabel(points - 1, QString::fromLatin1(kEmptyPointLabel));
    for (int k = 0; k < points; ++k) chart->setYData(0, k, kChartNullValue);
    chart->setGridLineControl(dmm::PEGraph::gYPlusXAxis);
    chart->setCursorMode(dmm::PEGraph::gVertLine);
    chart->setMouseCursorControl(true);
    chart->setCursorPromptStyle(dmm::PEGraph::gNoPrompt);
    chart->setAllowZooming(dmm::PEGraph::gHorzPlusVertZooming);
    chart->setPrepareImages(true);
    chart->PerformAction(ChartAction::Reinitialize);

    // Prints start from what "Printer Set&up..." chose; a print with set-up asks first.
    chart->setPrintSetup([this](QPrinter& printer, bool withSetup) {
        return PreparePrinter(&form_, form_.PrinterSetupChoice(), printer, withSetup);
    });
}

void GraphicalView::SetChartPointCount(int points) {
    form_.PEGraph->setPoints(points);
    form_.PEGraph->setMaxPointsToGraph(points);
    form_.PEGraph->setPointsToGraph(points);
    form_.PEGraph->setSubsetStyle(0, 0);
}

void GraphicalView::SetChartPoint(int point, const std::string& label, float value) {
    form_.PEGraph->setPointLabel(point, QString::fromStdString(label));
    form_.PEGraph->setYData(0, point, value);
}

void GraphicalView::AppendChartPoint(const std::string& label, float value) {
    form_.PEGraph->AppendPoint(QString::fromStdString(label), value);
}

void GraphicalView::SetChartYRange(float min, float max) {
    form_.PEGraph->setManualMinY(min);
    form_.PEGraph->setManualMaxY(max);
}

void GraphicalView::SetYAxisLabel(const std::string& label) {
    form_.PEGraph->setYAxisLabel(QString::fromStdString(label));
}

void GraphicalView::RedrawChart() {
    form_.PEGraph->PerformAction(ChartAction::Reinitialize);
}

int GraphicalView::ChartCursorPoint() const {
    return form_.PEGraph->CursorPoint();
}

void GraphicalView::SetChartCursorPoint(int point) {
    form_.PEGraph->setCursorPoint(point);
}

void GraphicalView::UndoChartZoom() {
    form_.PEGraph->PerformAction(ChartAction::UndoZoom);
}

void GraphicalView::SetChartExportSize(int width, int height) {
    form_.PEGraph->setExportWidth(width);
    form_.PEGraph->setExportHeight(height);
}

void GraphicalView::ShowTime(const std::string& text) {
    form_.TimePanel->setText(QString::fromStdString(text));
}

void GraphicalView::ShowReading(const PanelGroup& panels) {
    ShowGroup(panels, form_.ReadingDataPanel, form_.ReadingUnitPanel, form_.ReadingFuncPanel);
}

void GraphicalView::ShowMax(const PanelGroup& panels) {
    ShowGroup(panels, form_.MaxDataPanel, form_.MaxUnitPanel, form_.MaxFuncPanel);
}

void GraphicalView::ShowMin(const PanelGroup& panels) {
    ShowGroup(panels, form_.MinDataPanel, form_.MinUnitPanel, form_.MinFuncPanel);
}

void GraphicalView::SetProgressBar(int min, int max, int position) {
    form_.ProgressBar->setRange(min, max);
    form_.ProgressBar->setValue(position);
}

void GraphicalView::SetToolbarState(const ToolbarState& s) {
    form_.sbtnRecordStart->setEnabled(s.sbtnRecordStart);
    form_.sbtnRecordStop->setEnabled(s.sbtnRecordStop);
    form_.sbtnManualLogging->setEnabled(s.sbtnManualLogging);
    form_.sbtnOption->setEnabled(s.sbtnOption);
    form_.sbtnOpenFile->setEnabled(s.sbtnOpenFile);
    form_.sbtnSaveFile->setEnabled(s.sbtnSaveFile);
    form_.sbtnClear->setEnabled(s.sbtnClear);
    form_.sbtnImport->setEnabled(s.sbtnImport);
    form_.sbtnExport->setEnabled(s.sbtnExport);
    form_.sbtnPrintGraphic->setEnabled(s.sbtnPrintGraphic);
    form_.sbtnFirstPage->setEnabled(s.sbtnFirstPage);
    form_.sbtnPageUp->setEnabled(s.sbtnPageUp);
    form_.sbtnPageDown->setEnabled(s.sbtnPageDown);
    form_.sbtnLastPage->setEnabled(s.sbtnLastPage);
    form_.sbtnFitView->setEnabled(s.sbtnFitView);
    form_.sbtnUndoZoom->setEnabled(s.sbtnUndoZoom);
}

void GraphicalView::SetMenuState(const MenuState& s) {
    form_.mnuOpen->setEnabled(s.open);
    form_.mnuSaveAs->setEnabled(s.saveAs);
    form_.mnuClear->setEnabled(s.clear);
    form_.mnuImport->setEnabled(s.import);
    form_.mnuExport->setEnabled(s.exportData);
    form_.mnuPrintPage->setEnabled(s.printPage);
    form_.mnuPrinterSetup->setEnabled(s.printerSetup);
    form_.mnuStart->setEnabled(s.start);
    form_.mnuStop->setEnabled(s.stop);
    form_.mnuManual->setEnabled(s.manual);
    form_.mnuInterval->setEnabled(s.interval);
    form_.mnuFirstPage->setEnabled(s.firstPage);
    form_.mnuPageUp->setEnabled(s.pageUp);
    form_.mnuPageDown->setEnabled(s.pageDown);
    form_.mnuLastPage->setEnabled(s.lastPage);
    form_.mnuFitAllData->setEnabled(s.fitAllData);
    form_.mnuUndoZooming->setEnabled(s.undoZooming);
}

void GraphicalView::SetStatusTexts(const StatusTexts& t) {
    form_.StatusPanels[0]->setText(QString::fromStdString(t.acquisition));
    form_.StatusPanels[1]->setText(QString::fromStdString(t.buffer));
    form_.StatusPanels[2]->setText(QString::fromStdString(t.page));
    form_.StatusPanels[3]->setText(QString::fromStdString(t.mode));
}

void GraphicalView::SetRecordButtonDown(bool startDown) {
    (startDown ? form_.sbtnRecordStart : form_.sbtnRecordStop)->setChecked(true);
}

void GraphicalView::SetLoggerTimerInterval(int ms) {
    form_.TimerLogger->setInterval(ms);
}

void GraphicalView::SetLoggerTimerEnabled(bool enabled) {
    if (enabled)
        form_.TimerLogger->start();
    else
        form_.TimerLogger->stop();
}

void GraphicalView::ClearDataList() {
    SendWindowMessage(DataPageListForm, msg::DataClear);
}

void GraphicalView::AppendDataListLine(std::size_t index) {
    SendWindowMessage(DataPageListForm, msg::DataAppend, static_cast<qintptr>(index));
}

void GraphicalView::RefreshMainWindowCommands() {
    SendWindowMessage(MainWindowTarget, msg::Refresh);
}

void GraphicalView::ShowStringMessage(int captionFormat, int textNumber,
                                      const std::string& detail) {
    dmm::ShowStringMessage(&form_, captionFormat, textNumber, QString::fromStdString(detail));
}

bool GraphicalView::AskOkCancel(int captionFormat, int textNumber) {
    Prompter::Box box = StringMessageBox(&form_, captionFormat, textNumber);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Ok | Prompter::Cancel;
    box.defaultButton = Prompter::Cancel;
    return Prompt().messageBox(box) == Prompter::Ok;
}

bool GraphicalView::RunIntervalDialog(IntervalChoice& choice) {
    TDialogOption* dialog = DialogOption;
    if (!dialog) {
        if (!ownOption_) ownOption_ = new TDialogOption(&form_);
        dialog = ownOption_;
    }
    dialog->bOptManual = choice.bOptManual;
    dialog->iOptSeconds = choice.iOptSeconds;
    dialog->FormShow();
    if (Prompt().execDialog(*dialog) != QDialog::Accepted) return false;
    choice.bOptManual = dialog->bOptManual;
    choice.iOptSeconds = dialog->iOptSeconds;
    return true;
}

void GraphicalView::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    waitCursor_ = on;
}

void GraphicalView::OpenProgressWindow(const std::string& headline, HeadlineColour colour,
                                       int barMax) {
    if (!MsgForm) return;
    SetProgressHeadline(headline, colour);
    MsgForm->Label1->setUpdatesEnabled(true);
    MsgForm->Label1->setText(QString());
    MsgForm->ProgressBar->setRange(0, barMax);
    MsgForm->ProgressBar->setValue(0);
    MsgForm->bbtnAbort->setEnabled(true);
    MsgForm->show();
    MsgForm->raise();
    MsgForm->repaint();
}

void GraphicalView::SetProgressHeadline(const std::string& headline, HeadlineColour colour) {
    if (MsgForm)
        MsgForm->SetHeadline(QString::fromStdString(headline),
                             colour == HeadlineColour::Red ? Qt::red : Qt::blue);
}

void GraphicalView::SetProgressDetail(const std::string& text, bool paintNow) {
    if (!MsgForm) return;
    QLabel* label = MsgForm->Label1;
    // The text is always current; with updates off, setting it schedules no painting.
    label->setUpdatesEnabled(paintNow);
    label->setText(QString::fromStdString(text));
    if (paintNow) label->repaint();
}

void GraphicalView::SetProgressWindowBar(int max, int position) {
    if (!MsgForm) return;
    MsgForm->ProgressBar->setRange(0, max);
    MsgForm->ProgressBar->setValue(position);
}

void GraphicalView::SetProgressAbortEnabled(bool enabled) {
    if (MsgForm) MsgForm->bbtnAbort->setEnabled(enabled);
}

void GraphicalView::CloseProgressWindow() {
    if (!MsgForm) return;
    MsgForm->Label1->setUpdatesEnabled(true);
    MsgForm->hide();
}

void GraphicalView::HandlePendingEvents() {
    QCoreApplication::processEvents();
}

void GraphicalView::WaitForEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void GraphicalView::UnlinkMainWindow() {
    SendWindowMessage(MainWindowTarget, msg::Unlink);
}

bool GraphicalView::AskYesNo(int captionFormat, int textNumber, int secondTextNumber) {
    Prompter::Box box = StringMessageBox(&form_, captionFormat, textNumber);
    if (secondTextNumber != 0) box.text += QLatin1Char('\n') + Str(secondTextNumber);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No;
    box.defaultButton = Prompter::No;
    return Prompt().messageBox(box) == Prompter::Yes;
}

void GraphicalView::ShowTwoLineMessage(int captionFormat, int textNumber, int secondTextNumber,
                                       const std::string& detail) {
    Prompter::Box box = StringMessageBox(&form_, captionFormat, textNumber);
    box.text += QLatin1Char('\n') + Str(secondTextNumber);
    box.detail = QString::fromStdString(detail);
    Prompt().messageBox(box);
}

void GraphicalView::Beep() {
    QApplication::beep();
}

// ---- the commands' dialogs ----

std::string GraphicalView::AskSaveFileName(const std::filesystem::path& folder) {
    Prompter::FileDialog dialog;
    dialog.owner = &form_;
    dialog.fileName = kUntitled;
    dialog.directory = QString::fromStdString(folder.string());
    dialog.filters = {kLoggerFilter};
    dialog.defaultSuffix = kLoggerSuffix;
    dialog.confirmOverwrite = true;
    return QFile::encodeName(Prompt().saveFileName(dialog)).toStdString();
}

std::string GraphicalView::AskOpenFileName(const std::filesystem::path& folder) {
    Prompter::FileDialog dialog;
    dialog.owner = &form_;
    dialog.directory = QString::fromStdString(folder.string());
    dialog.filters = {kLoggerFilter, kTempFilter, kAllFilter};
    dialog.selectedFilter = 0;
    dialog.defaultSuffix = kLoggerSuffix;
    return QFile::encodeName(Prompt().openFileName(dialog)).toStdString();
}

bool GraphicalView::AskYesNoText(int textNumber, const std::string& text) {
    Prompter::Box box = StringMessageBox(&form_, str::WarningCaption, textNumber);
    box.text = QString::fromStdString(text);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No;
    box.defaultButton = Prompter::No;
    return Prompt().messageBox(box) == Prompter::Yes;
}

std::optional<ExportRequest> GraphicalView::RunExportDialog(int pageCount) {
    TDlgExportForm* dialog = DlgExportForm;
    if (!dialog) {
        if (!ownExport_) ownExport_ = new TDlgExportForm(&form_);
        dialog = ownExport_;
    }
    dialog->OfferText(true);
    dialog->rbtnTextClick();
    dialog->rbtnThisPageClick();
    dialog->editPageFrom->setText(QStringLiteral("1"));
    dialog->editPageTo->setText(QString::number(pageCount));
    dialog->ClearFileName();
    dialog->FocusOnShow(dialog->btnBrowse);
    dialog->SetViewerFlag(0);
    if (Prompt().execDialog(*dialog) != QDialog::Accepted) return std::nullopt;
    lastExport_ = dialog;
    return ExportRequest{dialog->options(), dialog->editPageFrom->text().toStdString(),
                         dialog->editPageTo->text().toStdString(),
                         QFile::encodeName(dialog->SaveDialog1.fileName).toStdString()};
}

void GraphicalView::ShowErrorText(const std::string& text) {
    Prompt().errorBox(&form_, QString::fromStdString(text));
}

// ---- the chart's prints and pictures ----

void GraphicalView::ResetExportSize() {
    form_.PEGraph->setExportWidth(0);
    form_.PEGraph->setExportHeight(0);
    form_.PEGraph->PerformAction(ChartAction::Reinitialize);
}

void GraphicalView::ApplyExportSettings() {
    if (lastExport_) dmm::ApplyExportSettings(*form_.PEGraph, *lastExport_);
}

void GraphicalView::SetPrintStyle(bool on) {
    form_.PEGraph->setViewingStyle(on ? dmm::PEGraph::gMonochrome : dmm::PEGraph::gColor);
    form_.PEGraph->PerformAction(on ? ChartAction::RebuildForExport : ChartAction::Reinitialize);
}

bool GraphicalView::RunAction(ChartAction action) {
    return RunChartAction(&form_, *form_.PEGraph, action);
}

void GraphicalView::BeginPrintJob() {
    form_.PEGraph->BeginPrintJob();
}

Status GraphicalView::EndPrintJob() {
    return form_.PEGraph->EndPrintJob();
}

void GraphicalView::ShowFailure(const Status& failure, ChartAction action) {
    ShowChartFailure(&form_, failure, action);
}

}  // namespace dmm
