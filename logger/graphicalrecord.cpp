#include "logger/graphicalrecord.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <type_traits>

#include "displays/datapagelist.h"
#include "logger/data/recovery.h"
#include "logger/dialogs/dlgoption.h"
#include "logger/exportcommands.h"
#include "logger/import/memoryimport.h"
#include "meterlink/globalvar.h"
#include "resources/pictures/recorderglyphs.h"
#include "resources/strings.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/waitcursor.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {

namespace {

constexpr int kPanelHeight = 33;
constexpr int kProgressHeight = 12;
constexpr int kButtonSize = 25;
constexpr int kGlyphSize = 18;
constexpr int kClockPeriodMs = 1000;
constexpr int kStatusWidths[5] = {110, 175, 175, 175, 50};

const QColor kLime(0, 255, 0);
const QColor kFuchsia(255, 0, 255);
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

// The wall clock's text around the formatted time.
QString ClockText(const QString& time) {
    return QStringLiteral("  ") + time + QLatin1Char('"');
}

}  // namespace

TGraphicalForm::TGraphicalForm() : TGraphicalForm(G().Link.Reading, G().ProgramDir) {}

TGraphicalForm::TGraphicalForm(const MeterReading& reading, const std::filesystem::path& programDir)
    : programDir_(programDir) {
    setWindowTitle(Str(str::RecorderCaption));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    auto* toolPanel = new QFrame(central);
    toolPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    toolPanel->setFixedHeight(kPanelHeight);
    buildToolPanel(toolPanel);
    column->addWidget(toolPanel);

    column->addWidget(buildReadoutPanel(central));

    PEGraph = new dmm::PEGraph(central);
    column->addWidget(PEGraph, 1);

    ProgressBar = new QProgressBar(central);
    ProgressBar->setFixedHeight(kProgressHeight);
    ProgressBar->setTextVisible(false);
    column->addWidget(ProgressBar);

    buildStatusBar();
    buildMenu();

    TimerLogger = new QTimer(this);
    TimerTime = new QTimer(this);
    TimerTime->setInterval(kClockPeriodMs);

    recorder_ = std::make_unique<Recorder>(*this, reading, G().Link.ReadingReceived,
                                           G().Link.TransferInProgress, programDir_);
    setUpChart();
    connectChart();
    connect(TimerLogger, &QTimer::timeout, this, [this] { recorder_->TimerLoggerTimer(); });
    connect(TimerTime, &QTimer::timeout, this, &TGraphicalForm::TimerTimeTimer);
    recorder_->FormCreate();

    TimerTimeTimer();
    TimerTime->start();
    applySizeLimits();
    setFocusProxy(PEGraph);
    PEGraph->setFocus();
}

TGraphicalForm::~TGraphicalForm() {
    TimerLogger->stop();
    TimerTime->stop();
    PEGraph->disconnect(this);
    if (waitCursor_) QApplication::restoreOverrideCursor();
    // Deletes this run's temporary files.
    recorder_.reset();
}

void TGraphicalForm::buildToolPanel(QWidget* panel) {
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 3, 4, 3);
    row->setSpacing(1);

    auto button = [&](QToolButton*& b, RecorderGlyph glyph, int hint) {
        b = new QToolButton(panel);
        b->setIcon(RecorderGlyphIcon(glyph));
        b->setIconSize(QSize(kGlyphSize, kGlyphSize));
        b->setFixedSize(kButtonSize, kButtonSize);
        b->setToolTip(Str(hint));
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
    };
    auto gap = [&] { row->addSpacing(8); };

    button(sbtnRecordStart, RecorderGlyph::Start, str::StartHint);
    button(sbtnRecordStop, RecorderGlyph::Stop, str::StopHint);
    button(sbtnManualLogging, RecorderGlyph::Manual, str::ManualHint);
    button(sbtnOption, RecorderGlyph::Option, str::IntervalHint);
    gap();
    button(sbtnOpenFile, RecorderGlyph::Open, str::OpenHint);
    button(sbtnSaveFile, RecorderGlyph::Save, str::SaveHint);
    button(sbtnClear, RecorderGlyph::Clear, str::ClearHint);
    gap();
    button(sbtnImport, RecorderGlyph::Import, str::ImportHint);
    button(sbtnExport, RecorderGlyph::Export, str::ExportHint);
    button(sbtnPrintGraphic, RecorderGlyph::Print, str::PrintHint);
    gap();
    button(sbtnFirstPage, RecorderGlyph::FirstPage, str::FirstPageHint);
    button(sbtnPageUp, RecorderGlyph::PageUp, str::PageUpHint);
    button(sbtnPageDown, RecorderGlyph::PageDown, str::PageDownHint);
    button(sbtnLastPage, RecorderGlyph::LastPage, str::LastPageHint);
    gap();
    button(sbtnFitView, RecorderGlyph::FitView, str::FitAllHint);
    button(sbtnUndoZoom, RecorderGlyph::UndoZoom, str::UndoZoomHint);
    row->addStretch(1);

    auto* caption = new QLabel(Str(str::RecorderCaption) + QStringLiteral("   "), panel);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setBold(true);
    font.setItalic(true);
    caption->setFont(font);
    QPalette pal = caption->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    caption->setPalette(pal);
    row->addWidget(caption);

    // Start and Stop: exactly one of the two is down.
    auto* recordGroup = new QButtonGroup(panel);
    recordGroup->setExclusive(true);
    for (QToolButton* b : {sbtnRecordStart, sbtnRecordStop}) {
        b->setCheckable(true);
        recordGroup->addButton(b);
    }
    sbtnRecordStop->setChecked(true);

    connect(sbtnRecordStart, &QToolButton::clicked, this,
            [this] { recorder_->sbtnRecordStartClick(); });
    connect(sbtnRecordStop, &QToolButton::clicked, this,
            [this] { recorder_->sbtnRecordStopClick(); });
    connect(sbtnManualLogging, &QToolButton::clicked, this,
            [this] { recorder_->sbtnManualLoggingClick(); });
    connect(sbtnOption, &QToolButton::clicked, this, [this] { recorder_->sbtnOptionClick(); });
    connect(sbtnOpenFile, &QToolButton::clicked, this, &TGraphicalForm::sbtnOpenFileClick);
    connect(sbtnSaveFile, &QToolButton::clicked, this, &TGraphicalForm::sbtnSaveFileClick);
    connect(sbtnClear, &QToolButton::clicked, this, [this] { recorder_->sbtnClearClick(); });
    connect(sbtnImport, &QToolButton::clicked, this, &TGraphicalForm::sbtnImportClick);
    connect(sbtnExport, &QToolButton::clicked, this, &TGraphicalForm::sbtnExportClick);
    connect(sbtnPrintGraphic, &QToolButton::clicked, this, &TGraphicalForm::sbtnPrintGraphicClick);
    connect(sbtnFitView, &QToolButton::clicked, this, &TGraphicalForm::sbtnFitViewClick);
    connect(sbtnFirstPage, &QToolButton::clicked, this,
            [this] { recorder_->sbtnFirstPageClick(); });
    connect(sbtnPageUp, &QToolButton::clicked, this, [this] { recorder_->sbtnPageUpClick(); });
    connect(sbtnPageDown, &QToolButton::clicked, this, [this] { recorder_->sbtnPageDownClick(); });
    connect(sbtnLastPage, &QToolButton::clicked, this, [this] { recorder_->sbtnLastPageClick(); });
    connect(sbtnUndoZoom, &QToolButton::clicked, this, [this] { recorder_->sbtnUndoZoomClick(); });
}

QWidget* TGraphicalForm::buildReadoutPanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setFixedHeight(kPanelHeight);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);

    TimePanel = ReadoutPanel(panel, Qt::white, 16, Qt::AlignHCenter);
    TimePanel->setFixedWidth(122);
    row->addWidget(TimePanel);

    // Data panel taking what the group leaves, unit and function panels at its right.
    auto group = [&](const QColor& colour, QLabel*& dataPanel, QLabel*& unitPanel,
                     QLabel*& funcPanel) {
        auto* g = new QHBoxLayout;
        g->setSpacing(1);
        dataPanel = ReadoutPanel(panel, colour, 20, Qt::AlignRight);
        // The groups share the row evenly whatever their texts.
        dataPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        unitPanel = ReadoutPanel(panel, colour, 17, Qt::AlignHCenter);
        funcPanel = ReadoutPanel(panel, colour, 17, Qt::AlignHCenter);
        unitPanel->setFixedWidth(30);
        funcPanel->setFixedWidth(42);
        g->addWidget(dataPanel, 1);
        g->addWidget(unitPanel);
        g->addWidget(funcPanel);
        row->addLayout(g, 1);
    };
    group(kLime, ReadingDataPanel, ReadingUnitPanel, ReadingFuncPanel);
    row->addSpacing(6);
    row->addWidget(GroupLabel(panel, Str(str::MaxLabel), Qt::red));
    group(Qt::red, MaxDataPanel, MaxUnitPanel, MaxFuncPanel);
    row->addSpacing(6);
    row->addWidget(GroupLabel(panel, Str(str::MinLabel), kFuchsia));
    group(kFuchsia, MinDataPanel, MinUnitPanel, MinFuncPanel);
    return panel;
}

void TGraphicalForm::buildStatusBar() {
    QStatusBar* bar = statusBar();
    // The size grip would take the room the clock needs at the narrowest tiled width; the
    // window's frame still resizes it.
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 5; ++i) {
        auto* p = new QLabel(bar);
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        p->setAlignment((i == 3 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        p->setMinimumWidth(kStatusWidths[i]);
        // The last panel, the clock, takes the rest of the bar.
        if (i < 4) p->setFixedWidth(kStatusWidths[i]);
        bar->addPermanentWidget(p, i == 4 ? 1 : 0);
        StatusPanels[i] = p;
    }
    // The clock never cuts its text: at least as wide as the widest time it can show.
    QLabel* clock = StatusPanels[4];
    const QFontMetrics metrics(clock->font());
    int text = 0;
    for (const QString& designator : {QLocale().amText(), QLocale().pmText()})
        text = std::max(text, metrics.horizontalAdvance(ClockText(designator + " 00:00:00")));
    clock->setMinimumWidth(std::max(kStatusWidths[4], text + 2 * clock->frameWidth() + 4));
}

void TGraphicalForm::buildMenu() {
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* menu, int caption, auto handler,
                       QKeySequence shortcut = QKeySequence()) {
        QAction* a = menu->addAction(Str(caption));
        if (!shortcut.isEmpty()) a->setShortcut(shortcut);
        if constexpr (!std::is_same_v<decltype(handler), std::nullptr_t>)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };

    QMenu* file = bar->addMenu(Str(str::RecorderFileMenu));
    mnuOpen = item(file, str::OpenItem, [this] { sbtnOpenFileClick(); });
    mnuSaveAs = item(file, str::SaveAsItem, [this] { sbtnSaveFileClick(); });
    mnuClear = item(file, str::ClearItem, [this] { recorder_->sbtnClearClick(); });
    file->addSeparator();
    mnuImport = item(file, str::ImportItem, [this] { sbtnImportClick(); });
    mnuExport = item(file, str::ExportItem, [this] { sbtnExportClick(); });
    mnuPrintPage = item(file, str::PrintPageItem, [this] { sbtnPrintGraphicClick(); });
    mnuPrinterSetup = item(file, str::PrinterSetupItem, [this] { PrinterSetupClick(); });
    file->addSeparator();
    mnuExit = item(file, str::RecorderExitItem, [this] { close(); });

    QMenu* acquisition = bar->addMenu(Str(str::AcquisitionMenu));
    mnuStart = item(
        acquisition, str::StartItem, [this] { recorder_->StartMenuClick(); },
        QKeySequence(Qt::Key_F9));
    mnuStop = item(
        acquisition, str::StopItem, [this] { recorder_->StopMenuClick(); },
        QKeySequence(Qt::Key_F3));
    mnuManual = item(
        acquisition, str::ManualItem, [this] { recorder_->sbtnManualLoggingClick(); },
        QKeySequence(Qt::Key_F7));
    acquisition->addSeparator();
    mnuInterval = item(acquisition, str::IntervalItem, [this] { recorder_->sbtnOptionClick(); });

    QMenu* view = bar->addMenu(Str(str::ViewMenu));
    mnuFirstPage = item(
        view, str::FirstPageItem, [this] { recorder_->sbtnFirstPageClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    mnuPageUp = item(view, str::PageUpItem, [this] { recorder_->sbtnPageUpClick(); });
    mnuPageDown = item(view, str::PageDownItem, [this] { recorder_->sbtnPageDownClick(); });
    mnuLastPage = item(
        view, str::LastPageItem, [this] { recorder_->sbtnLastPageClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    view->addSeparator();
    mnuFitAllData = item(
        view, str::FitAllItem, [this] { sbtnFitViewClick(); }, QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuUndoZooming = item(
        view, str::UndoZoomItem, [this] { recorder_->sbtnUndoZoomClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_Z));
    view->addSeparator();
    mnuGraphLineColor = item(view, str::LineColorItem, [this] { GraphLineColorClick(); });
}

void TGraphicalForm::setUpChart() {
    const int m = recorder_->iPointsPerPage;
    PEGraph->setMainTitle(Str(str::ChartTitle));
    PEGraph->setSubTitle(QString());
    PEGraph->setYAxisLabel(Str(str::ReadingLabel));
    PEGraph->setXAxisLabel(Str(str::TimeLabel));
    PEGraph->setNullDataValue(kChartNullValue);
    PEGraph->setSubsets(1);
    PEGraph->setPoints(m);
    PEGraph->setMaxPointsToGraph(m);
    PEGraph->setPointsToGraph(m);
    PEGraph->setSubsetStyle(0, 0);
    PEGraph->setPlottingMethod(dmm::PEGraph::gLine);
    PEGraph->setManualMaxDataString(QStringLiteral("00000000.000"));
    PEGraph->setManualMaxPointLabel(QStringLiteral("00:00:00.000"));
    PEGraph->setDataPrecision(dmm::PEGraph::gThreeDecimals);
    PEGraph->setDeskColor(palette().color(QPalette::Button));
    PEGraph->setGraphBackColor(Qt::black);
    PEGraph->setGraphForeColor(kPurple);
    PEGraph->setSubsetColor(0, kSilver);
    PEGraph->setManualScaleControlY(dmm::PEGraph::gManualMinAndMax);
    PEGraph->setManualMinY(-100);
    PEGraph->setManualMaxY(100);
    PEGraph->setNoStackedData(true);
    PEGraph->setAllowHistogram(false);
    PEGraph->setAllowDataHotSpots(true);
    PEGraph->setPointsToGraphInit(dmm::PEGraph::gLast);
    PEGraph->setPointSize(dmm::PEGraph::gLargePoints);
    PEGraph->setPointLabel(m - 1, QString::fromLatin1(kEmptyPointLabel));
    for (int k = 0; k < m; ++k) PEGraph->setYData(0, k, kChartNullValue);
    PEGraph->setGridLineControl(dmm::PEGraph::gYPlusXAxis);
    PEGraph->setCursorMode(dmm::PEGraph::gVertLine);
    PEGraph->setMouseCursorControl(true);
    PEGraph->setCursorPromptStyle(dmm::PEGraph::gNoPrompt);
    PEGraph->setAllowZooming(dmm::PEGraph::gHorzPlusVertZooming);
    PEGraph->setPrepareImages(true);
    PEGraph->PerformAction(ChartAction::Reinitialize);

    // Prints start from what "Printer Set&up..." chose; a print with set-up asks first.
    PEGraph->setPrintSetup([this](QPrinter& printer, bool withSetup) {
        return PreparePrinter(this, printer_.get(), printer, withSetup);
    });
}

void TGraphicalForm::connectChart() {
    connect(PEGraph, &dmm::PEGraph::OnCursorMoved, this,
            [this] { recorder_->UpdateCursorReadout(); });
    connect(PEGraph, &dmm::PEGraph::OnZoomIn, this, [this] { recorder_->PEGraphZoomIn(); });
    connect(PEGraph, &dmm::PEGraph::OnKeyDown, this, &TGraphicalForm::PEGraphKeyDown);
}

void TGraphicalForm::applySizeLimits() {
    const SystemMetrics m = CurrentSystemMetrics();
    const SizeLimits limits = RecorderSizeLimits(m);
    // The limits are outer sizes; the window's own size leaves out the caption and the frames
    // as ApplyOuterGeometry counts them.
    const int width = limits.minTrackWidth - 2 * m.cyDlgFrame;
    const int height = limits.minTrackHeight - m.cyCaption - 2 * m.cyDlgFrame;
    setMinimumSize(std::max(width, 0), std::max(height, 0));
}

void TGraphicalForm::PEGraphKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // With Ctrl these keys are the first and last page shortcuts of the menu.
    if (modifiers & Qt::ControlModifier) return;
    if (key == Qt::Key_PageUp)
        recorder_->sbtnPageUpClick();
    else if (key == Qt::Key_PageDown)
        recorder_->sbtnPageDownClick();
}

bool TGraphicalForm::SampleDue() const {
    return recorder_->Sampling.bSampleDue;
}

bool TGraphicalForm::HoldsUnsavedData() const {
    return !recorder_->bBufferEmpty && recorder_->bUnsaved;
}

void TGraphicalForm::sbtnSaveFileClick() {
    Prompter::FileDialog dialog;
    dialog.owner = this;
    dialog.fileName = kUntitled;
    dialog.directory = QString::fromStdString(programDir_.string());
    dialog.filters = {kLoggerFilter};
    dialog.defaultSuffix = kLoggerSuffix;
    dialog.confirmOverwrite = true;
    const QString name = Prompt().saveFileName(dialog);
    if (name.isEmpty()) return;
    WaitCursor hourglass;
    recorder_->SaveFile(QFile::encodeName(name).toStdString());
}

void TGraphicalForm::sbtnOpenFileClick() {
    recorder_->sbtnClearClick();
    if (!recorder_->bBufferEmpty) return;
    Prompter::FileDialog dialog;
    dialog.owner = this;
    dialog.directory = QString::fromStdString(programDir_.string());
    dialog.filters = {kLoggerFilter, kTempFilter, kAllFilter};
    dialog.selectedFilter = 0;
    dialog.defaultSuffix = kLoggerSuffix;
    const QString name = Prompt().openFileName(dialog);
    if (name.isEmpty()) return;
    QCoreApplication::processEvents();
    recorder_->OpenFile(QFile::encodeName(name).toStdString());
}

bool TGraphicalForm::OfferLeftOverFiles() {
    if (!recorder_->bBufferEmpty || G().Link.TransferInProgress) return false;
    const std::optional<RecoveryQuestion> question =
        RecoveryQuestionFor(FindLeftOverFiles(programDir_).files);
    if (!question) return false;
    Prompter::Box box = StringMessageBox(this, str::WarningCaption, question->textNumber);
    box.text = QString::fromStdString(question->text);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No;
    box.defaultButton = Prompter::No;
    if (Prompt().messageBox(box) != Prompter::Yes) return false;
    QCoreApplication::processEvents();
    return recorder_->OpenFile(question->newest.string()).ok();
}

void TGraphicalForm::sbtnImportClick() {
    MemoryImport(*recorder_, *this, G().Link).sbtnImportClick();
}

void TGraphicalForm::PrinterSetupClick() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Prompt().printerSetup(this, *printer_);
}

void TGraphicalForm::GraphLineColorClick() {
    std::optional<QColor> colour = Prompt().colour(this, PEGraph->SubsetColor(0));
    if (!colour) return;
    PEGraph->setSubsetColor(0, *colour);
    RedrawChart();
}

void TGraphicalForm::TimerTimeTimer() {
    const QString time = QLocale().toString(QTime::currentTime(), QStringLiteral("AP hh:mm:ss"));
    StatusPanels[4]->setText(ClockText(time));
}

void TGraphicalForm::customEvent(QEvent* event) {
    if (event->type() != WindowMessage::type()) return;
    switch (static_cast<WindowMessage*>(event)->number()) {
        case msg::NewReading:
            recorder_->OnNewReading();
            break;
        case msg::LinkCut:
            recorder_->OnLinkCut();
            break;
        case msg::Refresh:
            recorder_->OnTransferEnded();
            break;
        default:
            break;
    }
}

void TGraphicalForm::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the buffer and an acquisition in progress stay.
    recorder_->FormClose();
    event->accept();
}

void TGraphicalForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    KeepMaximisedIn(this, event,
                    [](const SystemMetrics& m) { return RecorderSizeLimits(m).maximized; });
}

// ---- RecorderView ----

void TGraphicalForm::SetChartPointCount(int points) {
    PEGraph->setPoints(points);
    PEGraph->setMaxPointsToGraph(points);
    PEGraph->setPointsToGraph(points);
    PEGraph->setSubsetStyle(0, 0);
}

void TGraphicalForm::SetChartPoint(int point, const std::string& label, float value) {
    PEGraph->setPointLabel(point, QString::fromStdString(label));
    PEGraph->setYData(0, point, value);
}

void TGraphicalForm::AppendChartPoint(const std::string& label, float value) {
    PEGraph->AppendPoint(QString::fromStdString(label), value);
}

void TGraphicalForm::SetChartYRange(float min, float max) {
    PEGraph->setManualMinY(min);
    PEGraph->setManualMaxY(max);
}

void TGraphicalForm::SetYAxisLabel(const std::string& label) {
    PEGraph->setYAxisLabel(QString::fromStdString(label));
}

void TGraphicalForm::RedrawChart() {
    PEGraph->PerformAction(ChartAction::Reinitialize);
}

int TGraphicalForm::ChartCursorPoint() const {
    return PEGraph->CursorPoint();
}

void TGraphicalForm::SetChartCursorPoint(int point) {
    PEGraph->setCursorPoint(point);
}

void TGraphicalForm::UndoChartZoom() {
    PEGraph->PerformAction(ChartAction::UndoZoom);
}

void TGraphicalForm::ShowTime(const std::string& text) {
    TimePanel->setText(QString::fromStdString(text));
}

void TGraphicalForm::ShowReading(const PanelGroup& panels) {
    ShowGroup(panels, ReadingDataPanel, ReadingUnitPanel, ReadingFuncPanel);
}

void TGraphicalForm::ShowMax(const PanelGroup& panels) {
    ShowGroup(panels, MaxDataPanel, MaxUnitPanel, MaxFuncPanel);
}

void TGraphicalForm::ShowMin(const PanelGroup& panels) {
    ShowGroup(panels, MinDataPanel, MinUnitPanel, MinFuncPanel);
}

void TGraphicalForm::SetProgressBar(int min, int max, int position) {
    ProgressBar->setRange(min, max);
    ProgressBar->setValue(position);
}

void TGraphicalForm::SetToolbarState(const ToolbarState& s) {
    sbtnRecordStart->setEnabled(s.sbtnRecordStart);
    sbtnRecordStop->setEnabled(s.sbtnRecordStop);
    sbtnManualLogging->setEnabled(s.sbtnManualLogging);
    sbtnOption->setEnabled(s.sbtnOption);
    sbtnOpenFile->setEnabled(s.sbtnOpenFile);
    sbtnSaveFile->setEnabled(s.sbtnSaveFile);
    sbtnClear->setEnabled(s.sbtnClear);
    sbtnImport->setEnabled(s.sbtnImport);
    sbtnExport->setEnabled(s.sbtnExport);
    sbtnPrintGraphic->setEnabled(s.sbtnPrintGraphic);
    sbtnFirstPage->setEnabled(s.sbtnFirstPage);
    sbtnPageUp->setEnabled(s.sbtnPageUp);
    sbtnPageDown->setEnabled(s.sbtnPageDown);
    sbtnLastPage->setEnabled(s.sbtnLastPage);
    sbtnFitView->setEnabled(s.sbtnFitView);
    sbtnUndoZoom->setEnabled(s.sbtnUndoZoom);
}

void TGraphicalForm::SetMenuState(const MenuState& s) {
    mnuOpen->setEnabled(s.open);
    mnuSaveAs->setEnabled(s.saveAs);
    mnuClear->setEnabled(s.clear);
    mnuImport->setEnabled(s.import);
    mnuExport->setEnabled(s.exportData);
    mnuPrintPage->setEnabled(s.printPage);
    mnuPrinterSetup->setEnabled(s.printerSetup);
    mnuStart->setEnabled(s.start);
    mnuStop->setEnabled(s.stop);
    mnuManual->setEnabled(s.manual);
    mnuInterval->setEnabled(s.interval);
    mnuFirstPage->setEnabled(s.firstPage);
    mnuPageUp->setEnabled(s.pageUp);
    mnuPageDown->setEnabled(s.pageDown);
    mnuLastPage->setEnabled(s.lastPage);
    mnuFitAllData->setEnabled(s.fitAllData);
    mnuUndoZooming->setEnabled(s.undoZooming);
}

void TGraphicalForm::SetStatusTexts(const StatusTexts& t) {
    StatusPanels[0]->setText(QString::fromStdString(t.acquisition));
    StatusPanels[1]->setText(QString::fromStdString(t.buffer));
    StatusPanels[2]->setText(QString::fromStdString(t.page));
    StatusPanels[3]->setText(QString::fromStdString(t.mode));
}

void TGraphicalForm::SetRecordButtonDown(bool startDown) {
    (startDown ? sbtnRecordStart : sbtnRecordStop)->setChecked(true);
}

void TGraphicalForm::SetLoggerTimerInterval(int ms) {
    TimerLogger->setInterval(ms);
}

void TGraphicalForm::SetLoggerTimerEnabled(bool enabled) {
    if (enabled)
        TimerLogger->start();
    else
        TimerLogger->stop();
}

void TGraphicalForm::ClearDataList() {
    SendWindowMessage(DataPageListForm, msg::DataClear);
}

void TGraphicalForm::AppendDataListLine(std::size_t index) {
    SendWindowMessage(DataPageListForm, msg::DataAppend, static_cast<qintptr>(index));
}

void TGraphicalForm::RefreshMainWindowCommands() {
    SendWindowMessage(MainWindowTarget, msg::Refresh);
}

void TGraphicalForm::ShowStringMessage(int captionFormat, int textNumber,
                                       const std::string& detail) {
    dmm::ShowStringMessage(this, captionFormat, textNumber, QString::fromStdString(detail));
}

bool TGraphicalForm::AskOkCancel(int captionFormat, int textNumber) {
    Prompter::Box box = StringMessageBox(this, captionFormat, textNumber);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Ok | Prompter::Cancel;
    box.defaultButton = Prompter::Cancel;
    return Prompt().messageBox(box) == Prompter::Ok;
}

bool TGraphicalForm::RunIntervalDialog(IntervalChoice& choice) {
    TDialogOption* dialog = DialogOption;
    if (!dialog) {
        if (!ownOption_) ownOption_ = std::make_unique<TDialogOption>(this);
        dialog = ownOption_.get();
    }
    dialog->bOptManual = choice.bOptManual;
    dialog->iOptSeconds = choice.iOptSeconds;
    dialog->FormShow();
    if (Prompt().execDialog(*dialog) != QDialog::Accepted) return false;
    choice.bOptManual = dialog->bOptManual;
    choice.iOptSeconds = dialog->iOptSeconds;
    return true;
}

void TGraphicalForm::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    waitCursor_ = on;
}

void TGraphicalForm::OpenProgressWindow(const std::string& headline, HeadlineColour colour,
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

void TGraphicalForm::SetProgressHeadline(const std::string& headline, HeadlineColour colour) {
    if (MsgForm)
        MsgForm->SetHeadline(QString::fromStdString(headline),
                             colour == HeadlineColour::Red ? Qt::red : Qt::blue);
}

void TGraphicalForm::SetProgressDetail(const std::string& text, bool paintNow) {
    if (!MsgForm) return;
    QLabel* label = MsgForm->Label1;
    // The text is always current; with updates off, setting it schedules no painting.
    label->setUpdatesEnabled(paintNow);
    label->setText(QString::fromStdString(text));
    if (paintNow) label->repaint();
}

void TGraphicalForm::SetProgressWindowBar(int max, int position) {
    if (!MsgForm) return;
    MsgForm->ProgressBar->setRange(0, max);
    MsgForm->ProgressBar->setValue(position);
}

void TGraphicalForm::SetProgressAbortEnabled(bool enabled) {
    if (MsgForm) MsgForm->bbtnAbort->setEnabled(enabled);
}

void TGraphicalForm::CloseProgressWindow() {
    if (!MsgForm) return;
    MsgForm->Label1->setUpdatesEnabled(true);
    MsgForm->hide();
}

void TGraphicalForm::HandlePendingEvents() {
    QCoreApplication::processEvents();
}

void TGraphicalForm::UnlinkMainWindow() {
    SendWindowMessage(MainWindowTarget, msg::Unlink);
}

bool TGraphicalForm::AskYesNo(int captionFormat, int textNumber, int secondTextNumber) {
    Prompter::Box box = StringMessageBox(this, captionFormat, textNumber);
    if (secondTextNumber != 0) box.text += QLatin1Char('\n') + Str(secondTextNumber);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No;
    box.defaultButton = Prompter::No;
    return Prompt().messageBox(box) == Prompter::Yes;
}

void TGraphicalForm::ShowTwoLineMessage(int captionFormat, int textNumber, int secondTextNumber,
                                        const std::string& detail) {
    Prompter::Box box = StringMessageBox(this, captionFormat, textNumber);
    box.text += QLatin1Char('\n') + Str(secondTextNumber);
    box.detail = QString::fromStdString(detail);
    Prompt().messageBox(box);
}

void TGraphicalForm::Beep() {
    QApplication::beep();
}

}  // namespace dmm
