#include "logger/graphicalrecord.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <type_traits>

#include "logger/graphicalview.h"
#include "logger/import/memoryimport.h"
#include "logger/viewgraphunit.h"
#include "meterlink/globalvar.h"
#include "resources/pictures/recorderglyphs.h"
#include "resources/strings.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
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

// The wall clock's text around the formatted time.
QString ClockText(const QString& time) {
    return QStringLiteral("  ") + time + QLatin1Char('"');
}

}  // namespace

TGraphicalForm::TGraphicalForm() : TGraphicalForm(G().Link, G().ProgramDir) {}

TGraphicalForm::TGraphicalForm(MeterLink& link, const std::filesystem::path& programDir)
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
    // Opaque: the bar filling up repaints itself alone, not the window beneath it.
    ProgressBar->setAutoFillBackground(true);
    column->addWidget(ProgressBar);

    buildStatusBar();
    buildMenu();

    TimerLogger = new QTimer(this);
    TimerTime = new QTimer(this);
    TimerTime->setInterval(kClockPeriodMs);

    view_ = std::make_unique<GraphicalView>(*this);
    recorder_ = std::make_unique<Recorder>(*view_, link, programDir_);
    commands_ = std::make_unique<RecorderCommands>(*recorder_, *view_, *view_, *view_, programDir_);
    view_->SetUpChart(recorder_->iPointsPerPage);
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
    view_->SetWaitCursor(false);
    commands_.reset();
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
    connect(sbtnOpenFile, &QToolButton::clicked, this, [this] { commands_->sbtnOpenFileClick(); });
    connect(sbtnSaveFile, &QToolButton::clicked, this, [this] { commands_->sbtnSaveFileClick(); });
    connect(sbtnClear, &QToolButton::clicked, this, [this] { recorder_->sbtnClearClick(); });
    connect(sbtnImport, &QToolButton::clicked, this, &TGraphicalForm::sbtnImportClick);
    connect(sbtnExport, &QToolButton::clicked, this, [this] { commands_->sbtnExportClick(); });
    connect(sbtnPrintGraphic, &QToolButton::clicked, this,
            [this] { commands_->sbtnPrintGraphicClick(); });
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
        // Opaque: a new text repaints the panel alone, not the bar and window beneath it.
        p->setAutoFillBackground(true);
        p->setAlignment((i == 3 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        p->setMinimumWidth(kStatusWidths[i]);
        // The last panel, the clock, takes the rest of the bar.
        // A panel of fixed size takes new text without asking the bar to lay out again, which
        // would repaint every panel and the bar at each sample.
        if (i < 4) p->setFixedSize(kStatusWidths[i], p->sizeHint().height());
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
                       const QKeySequence& shortcut = QKeySequence()) {
        QAction* a = menu->addAction(Str(caption));
        if (!shortcut.isEmpty()) a->setShortcut(shortcut);
        if constexpr (!std::is_same_v<decltype(handler), std::nullptr_t>)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };

    QMenu* file = bar->addMenu(Str(str::RecorderFileMenu));
    mnuOpen = item(file, str::OpenItem, [this] { commands_->sbtnOpenFileClick(); });
    mnuSaveAs = item(file, str::SaveAsItem, [this] { commands_->sbtnSaveFileClick(); });
    mnuClear = item(file, str::ClearItem, [this] { recorder_->sbtnClearClick(); });
    file->addSeparator();
    mnuImport = item(file, str::ImportItem, [this] { sbtnImportClick(); });
    mnuExport = item(file, str::ExportItem, [this] { commands_->sbtnExportClick(); });
    mnuPrintPage = item(file, str::PrintPageItem, [this] { commands_->sbtnPrintGraphicClick(); });
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

    QMenu* viewMenu = bar->addMenu(Str(str::ViewMenu));
    mnuFirstPage = item(
        viewMenu, str::FirstPageItem, [this] { recorder_->sbtnFirstPageClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    mnuPageUp = item(viewMenu, str::PageUpItem, [this] { recorder_->sbtnPageUpClick(); });
    mnuPageDown = item(viewMenu, str::PageDownItem, [this] { recorder_->sbtnPageDownClick(); });
    mnuLastPage = item(
        viewMenu, str::LastPageItem, [this] { recorder_->sbtnLastPageClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    viewMenu->addSeparator();
    mnuFitAllData = item(
        viewMenu, str::FitAllItem, [this] { sbtnFitViewClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuUndoZooming = item(
        viewMenu, str::UndoZoomItem, [this] { recorder_->sbtnUndoZoomClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_Z));
    viewMenu->addSeparator();
    mnuGraphLineColor = item(viewMenu, str::LineColorItem, [this] { GraphLineColorClick(); });
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

void TGraphicalForm::sbtnImportClick() {
    MemoryImport(*recorder_, *view_, G().Link).sbtnImportClick();
}

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

void TGraphicalForm::PrinterSetupClick() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Prompt().printerSetup(this, *printer_);
}

void TGraphicalForm::GraphLineColorClick() {
    std::optional<QColor> colour = Prompt().colour(this, PEGraph->SubsetColor(0));
    if (!colour) return;
    PEGraph->setSubsetColor(0, *colour);
    view_->RedrawChart();
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

}  // namespace dmm
