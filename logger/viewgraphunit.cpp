#include "logger/viewgraphunit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "logger/acquisition/recorder.h"
#include "logger/chart/pegraph.h"
#include "logger/chart/viewchart.h"
#include "logger/dialogs/dlgexportunit.h"
#include "logger/exportcommands.h"
#include "logger/graphicalrecord.h"
#include "meterlink/numparse.h"
#include "resources/pictures/recorderglyphs.h"
#include "resources/strnum.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/waitcursor.h"

namespace dmm {

namespace {

constexpr int kPanelHeight = 33;
constexpr int kButtonSize = 25;
constexpr int kGlyphSize = 18;
const QColor kFuchsia(255, 0, 255);

void ShowRecord(const LogRecord& r, QLabel* time, QLabel* data, QLabel* unit, QLabel* func) {
    time->setText(QString::fromLatin1(FieldString(r.szTime).c_str()));
    data->setText(QString::fromLatin1(FieldString(r.szDisplay).c_str()));
    ShowPanelText(unit, FieldString(r.szUnit), UnitPanelStyle(r.iFunc));
    ShowPanelText(func, FieldString(r.szFunc), FuncPanelStyle(r.iFunc));
}

}  // namespace

TFormViewGraphic::TFormViewGraphic(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    DisplayPanel = new QFrame(this);
    DisplayPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    DisplayPanel->setFixedHeight(kPanelHeight);
    auto* row = new QHBoxLayout(DisplayPanel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto group = [&](const QString& caption, const QColor& colour, QLabel*& time, QLabel*& value,
                     QLabel*& unit, QLabel*& func) {
        row->addWidget(GroupLabel(DisplayPanel, caption, colour));
        time = ReadoutPanel(DisplayPanel, colour, 16, Qt::AlignHCenter);
        time->setFixedWidth(122);
        value = ReadoutPanel(DisplayPanel, colour, 20, Qt::AlignRight);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        value->setCursor(Qt::PointingHandCursor);
        value->installEventFilter(this);
        unit = ReadoutPanel(DisplayPanel, colour, 17, Qt::AlignHCenter);
        func = ReadoutPanel(DisplayPanel, colour, 17, Qt::AlignHCenter);
        unit->setFixedWidth(30);
        func->setFixedWidth(42);
        row->addWidget(time);
        row->addWidget(value, 1);
        row->addWidget(unit);
        row->addWidget(func);
        row->addSpacing(6);
    };
    group(Str(str::MaxLabel), Qt::red, MaxTimePanel, MaxDataPanel, MaxUnitPanel, MaxFuncPanel);
    group(Str(str::MinLabel), kFuchsia, MinTimePanel, MinDataPanel, MinUnitPanel, MinFuncPanel);

    auto button = [&](QToolButton*& b, RecorderGlyph glyph) {
        b = new QToolButton(DisplayPanel);
        b->setIcon(RecorderGlyphIcon(glyph));
        b->setIconSize(QSize(kGlyphSize, kGlyphSize));
        b->setFixedSize(kButtonSize, kButtonSize);
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
    };
    button(sbtnExport, RecorderGlyph::Export);
    button(sbtnPrint, RecorderGlyph::Print);
    button(sbtnUndoZoom, RecorderGlyph::UndoZoom);
    bbtnClose =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QString(), this);
    bbtnClose->setFixedHeight(kButtonSize);
    bbtnClose->setAutoDefault(false);
    row->addSpacing(6);
    row->addWidget(bbtnClose);

    PEGraphView = new dmm::PEGraph(this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(DisplayPanel);
    column->addWidget(PEGraphView, 1);
    column->addWidget(StatusBar1);

    connect(sbtnExport, &QToolButton::clicked, this, &TFormViewGraphic::sbtnExportClick);
    connect(sbtnPrint, &QToolButton::clicked, this, &TFormViewGraphic::sbtnPrintClick);
    connect(sbtnUndoZoom, &QToolButton::clicked, this, &TFormViewGraphic::sbtnUndoZoomClick);
    connect(bbtnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(PEGraphView, &dmm::PEGraph::OnZoomIn, this, &TFormViewGraphic::PEGraphViewZoomIn);
    connect(PEGraphView, &dmm::PEGraph::OnCursorMoved, this,
            &TFormViewGraphic::PEGraphViewCursorMoved);
    PEGraphView->setPrintSetup([this](QPrinter& printer, bool withSetup) {
        return PreparePrinter(this, GraphicalForm ? GraphicalForm->PrinterSetupChoice() : nullptr,
                              printer, withSetup);
    });
    FormCreate();
}

TFormViewGraphic::~TFormViewGraphic() {
    PEGraphView->disconnect(this);
}

void TFormViewGraphic::FormCreate() {
    setWindowTitle(Str(str::ViewerCaption));
    sbtnExport->setToolTip(Str(str::ExportHint));
    sbtnPrint->setToolTip(Str(str::PrintHint));
    sbtnUndoZoom->setToolTip(Str(str::UndoZoomHint));
    bbtnClose->setText(Str(str::CloseButton));
    sbtnUndoZoom->setEnabled(false);
    SetUpViewChart(*PEGraphView);
    LoadHiddenViewChart(*PEGraphView, nullptr, 0);
}

const Recorder* TFormViewGraphic::source() const {
    if (recorder_) return recorder_;
    return GraphicalForm ? &GraphicalForm->recorder() : nullptr;
}

void TFormViewGraphic::FormShow() {
    WaitCursor hourglass;
    ApplyOuterGeometry(this, ViewerRect(CurrentSystemMetrics()));
    PEGraphView->setFocus();
    const Recorder* rec = source();
    if (!rec) return;
    const LogList& list = rec->List();
    fYMax = rec->fScaleMax;
    fYMin = rec->fScaleMin;

    ViewPoints view = ReduceForView(list, rec->iMaxIndex, rec->iMinIndex);
    bAllPoints = view.allPoints;
    iPointCount = view.pointCount;
    if (!bAllPoints) {
        if (view.maxPoint >= 0) iMaxPoint = view.maxPoint;
        if (view.minPoint >= 0) iMinPoint = view.minPoint;
    }
    LoadViewChart(*PEGraphView, list.data(), view, fYMin, fYMax);
    IndexList = std::move(view.indexList);
    sbtnUndoZoom->setEnabled(false);

    const auto shown = [&](int index) {
        return index >= 0 && static_cast<std::size_t>(index) < list.size();
    };
    if (shown(rec->iMaxIndex)) {
        ShowRecord(list[static_cast<std::size_t>(rec->iMaxIndex)], MaxTimePanel, MaxDataPanel,
                   MaxUnitPanel, MaxFuncPanel);
    }
    if (shown(rec->iMinIndex)) {
        ShowRecord(list[static_cast<std::size_t>(rec->iMinIndex)], MinTimePanel, MinDataPanel,
                   MinUnitPanel, MinFuncPanel);
    }
}

void TFormViewGraphic::FormClose() {
    std::vector<int>().swap(IndexList);
    iPointCount = kHiddenViewPoints;
    fYMax = 100;
    fYMin = -100;
    const Recorder* rec = source();
    if (rec) {
        LoadHiddenViewChart(*PEGraphView, rec->List().data(), rec->List().size());
    } else {
        LoadHiddenViewChart(*PEGraphView, nullptr, 0);
    }
}

void TFormViewGraphic::MaxDataPanelClick() {
    const Recorder* rec = source();
    if (!rec) return;
    PEGraphView->setCursorPoint(bAllPoints ? rec->iMaxIndex : iMaxPoint);
}

void TFormViewGraphic::MinDataPanelClick() {
    const Recorder* rec = source();
    if (!rec) return;
    PEGraphView->setCursorPoint(bAllPoints ? rec->iMinIndex : iMinPoint);
}

void TFormViewGraphic::sbtnUndoZoomClick() {
    PEGraphView->PerformAction(ChartAction::UndoZoom);
    sbtnUndoZoom->setEnabled(false);
}

void TFormViewGraphic::PEGraphViewZoomIn() {
    sbtnUndoZoom->setEnabled(true);
}

void TFormViewGraphic::PEGraphViewCursorMoved() {}

void TFormViewGraphic::sbtnExportClick() {
    TDlgFitExportForm* dialog = DlgFitExportForm;
    if (!dialog) {
        if (!ownExport_) ownExport_ = new TDlgFitExportForm(this);
        dialog = ownExport_;
    }
    dialog->OfferText(false);
    dialog->rbtnMetaFileClick();
    dialog->rbtnThisPageClick();
    dialog->editPageFrom->setText(QStringLiteral("1"));
    dialog->editPageTo->setText(QStringLiteral("1"));
    dialog->ClearFileName();
    dialog->SetViewerFlag(1);
    if (Prompt().execDialog(*dialog) != QDialog::Accepted) return;
    if (!CheckFileChosen(this, *dialog)) return;
    exportPicture(*dialog);
}

bool TFormViewGraphic::exportPicture(const TDlgFitExportForm& dialog) {
    const ExportOptions& o = dialog.options();
    // The chart as it is: the whole buffer at its current zoom.
    ApplyExportSettings(*PEGraphView, dialog);
    if (o.destination != ExportDestination::Printer) {
        return RunChartAction(this, *PEGraphView, PictureActionFor(o.type, o.destination));
    }
    if (o.type == ExportType::BitMap) {
        sbtnPrintClick();
        return true;
    }
    PEGraphView->setViewingStyle(dmm::PEGraph::gMonochrome);
    PEGraphView->PerformAction(ChartAction::RebuildForExport);
    const bool printed = RunChartAction(this, *PEGraphView, ChartAction::PrintWithSetup);
    PEGraphView->setViewingStyle(dmm::PEGraph::gColor);
    PEGraphView->PerformAction(ChartAction::Reinitialize);
    return printed;
}

void TFormViewGraphic::sbtnPrintClick() {
    PEGraphView->setViewingStyle(dmm::PEGraph::gMonochrome);
    PEGraphView->PerformAction(ChartAction::RebuildForExport);
    RunChartAction(this, *PEGraphView, ChartAction::Print);
    PEGraphView->setViewingStyle(dmm::PEGraph::gColor);
    PEGraphView->PerformAction(ChartAction::RebuildForExport);
}

bool TFormViewGraphic::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == MaxDataPanel) {
            MaxDataPanelClick();
            return true;
        }
        if (watched == MinDataPanel) {
            MinDataPanelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace dmm
