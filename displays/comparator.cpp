#include "displays/comparator.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "displays/dialogs/dlghilow.h"
#include "displays/faces.h"
#include "displays/rules/limits.h"
#include "displays/toneplayer.h"
#include "meterlink/globalvar.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/strnum.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {
namespace {

constexpr int kAlarmButtonHeight = 25;
constexpr int kLimitButtonWidth = 40;
constexpr int kLimitButtonHeight = 42;  // two limit rows of 21

QLabel* RowPanel(QWidget* parent, int pixels, bool bold, const QColor& ink) {
    auto* label = new QLabel(parent);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ink);
    label->setPalette(pal);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QFrame* LimitRow(QWidget* parent) {
    auto* row = new QFrame(parent);
    row->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    row->setLineWidth(1);
    return row;
}

// Limit panel, unit panel and function panel side by side in a row, the last two
// at its right end.
void PlaceRow(QFrame* row, QLabel* limit, QLabel* unit, QLabel* function) {
    const QRect inner = row->contentsRect();
    function->setGeometry(inner.right() + 1 - kLimitFuncPanelWidth, inner.top(),
                          kLimitFuncPanelWidth, inner.height());
    unit->setGeometry(function->x() - kLimitUnitPanelWidth, inner.top(), kLimitUnitPanelWidth,
                      inner.height());
    limit->setGeometry(inner.left(), inner.top(), std::max(unit->x() - inner.left(), 0),
                       inner.height());
}

void SetRect(QWidget* w, const WindowRect& r) {
    w->setGeometry(r.left, r.top, r.width, r.height);
}

}  // namespace

TComparatorForm::TComparatorForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      HiLimit(G().StartHiLimit),
      LowLimit(G().StartLowLimit) {
    setWindowTitle(Str(str::ComparatorCaption));
    setWindowIcon(ComparatorIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    faceBitmap_ = ComparatorFaceImage();
    lampBitmap_ = LampImage();

    bbtnAlart = new QPushButton(QIcon(AlarmGlyph()), QStringLiteral("OFF"), this);
    bbtnAlart->setIconSize(QSize(20, 20));
    bbtnHiLowLimit = new QPushButton(QIcon(LimitGlyph()), QString(), this);
    bbtnHiLowLimit->setIconSize(QSize(24, 24));
    bbtnHiLowLimit->setToolTip(Str(str::LimitDialogCaption));
    for (QPushButton* b : {bbtnAlart, bbtnHiLowLimit}) b->setFocusPolicy(Qt::TabFocus);

    const QColor ink(20, 20, 20);
    Panel1 = LimitRow(this);
    HiLimitPanel = RowPanel(Panel1, 13, true, QColor(0, 0, 200));
    HiUnitPanel = RowPanel(Panel1, 12, false, ink);
    HiFuncPanel = RowPanel(Panel1, 12, false, ink);
    Panel2 = LimitRow(this);
    LowLimitPanel = RowPanel(Panel2, 13, true, QColor(200, 0, 0));
    LowUnitPanel = RowPanel(Panel2, 12, false, ink);
    LowFuncPanel = RowPanel(Panel2, 12, false, ink);

    connect(bbtnAlart, &QPushButton::clicked, this, &TComparatorForm::bbtnAlartClick);
    connect(bbtnHiLowLimit, &QPushButton::clicked, this, &TComparatorForm::bbtnHiLowLimitClick);

    PlaceControls();
    ShowLimits();
    SetTexts();
}

int TComparatorForm::AlarmButtonHeight() const {
    return kAlarmButtonHeight;
}

int TComparatorForm::LimitButtonHeight() const {
    return kLimitButtonHeight;
}

void TComparatorForm::PlaceControls() {
    geometry_ = LayoutComparator(OuterWidth(this), AlarmButtonHeight(), kLimitButtonWidth,
                                 LimitButtonHeight());
    SetRect(bbtnAlart, geometry_.bbtnAlart);
    SetRect(bbtnHiLowLimit, geometry_.bbtnHiLowLimit);
    SetRect(Panel1, geometry_.Panel1);
    SetRect(Panel2, geometry_.Panel2);
    PlaceRow(Panel1, HiLimitPanel, HiUnitPanel, HiFuncPanel);
    PlaceRow(Panel2, LowLimitPanel, LowUnitPanel, LowFuncPanel);
}

void TComparatorForm::FormPaint() {
    RedrawAll();
    update();
}

void TComparatorForm::RedrawAll() {
    PlaceControls();
    if (raster_.size() != size()) raster_ = QImage(size(), QImage::Format_RGB32);
    raster_.fill(palette().color(QPalette::Window));
    {
        QPainter p(&raster_);
        p.drawImage(geometry_.face.x, geometry_.face.y, faceBitmap_);
        p.drawImage(geometry_.lamp.x, geometry_.lamp.y, lampBitmap_);
    }
    // XOR on the fresh dial looks like a solid needle and lets the next move
    // give back every pixel under it.
    DrawNeedle(NeedleAngle);
    ShowLimits();
    SetTexts();
    rasterValid_ = true;
}

void TComparatorForm::EnsureRaster() {
    if (!rasterValid_ || raster_.size() != size()) RedrawAll();
}

void TComparatorForm::ShowLimits() {
    HiLimitPanel->setText(QString::fromStdString(FormatGeneral(HiLimit)));
    LowLimitPanel->setText(QString::fromStdString(FormatGeneral(LowLimit)));
}

void TComparatorForm::SetTexts() {
    const std::string unit = FieldString(Values.unit);
    const std::string function = FieldString(Values.func);
    const PanelStyle unitStyle = UnitPanelStyle(Values.funcCode);
    const PanelStyle funcStyle = FuncPanelStyle(Values.funcCode);
    ShowPanelText(HiUnitPanel, unit, unitStyle);
    ShowPanelText(LowUnitPanel, unit, unitStyle);
    ShowPanelText(HiFuncPanel, function, funcStyle);
    ShowPanelText(LowFuncPanel, function, funcStyle);
}

void TComparatorForm::DrawNeedle(double angle) {
    XorNeedle(raster_, geometry_.pivot, angle, kComparatorNeedleLength);
}

void TComparatorForm::WmNewReading() {
    EnsureRaster();
    PrevNeedleAngle = NeedleAngle;
    NeedleAngle = ComparatorNeedleAngle(Values.CompValue, HiLimit, LowLimit, NeedleAngle);
    DrawNeedle(PrevNeedleAngle);
    DrawNeedle(NeedleAngle);
    SetTexts();
    update();
    if (AlarmOn == 1) {
        if (const auto tone = AlarmTone(Values.CompValue, HiLimit, LowLimit)) {
            Tones().PlayTone(tone->frequencyHz, tone->durationMs);
        }
    }
}

void TComparatorForm::bbtnAlartClick() {
    AlarmOn = AlarmOn == 1 ? 0 : 1;
    bbtnAlart->setText(AlarmOn == 1 ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

TDlgHiLowForm& TComparatorForm::LimitDialog() {
    if (DlgHiLowForm) return *DlgHiLowForm;
    if (!ownDialog_) ownDialog_ = new TDlgHiLowForm(this);
    return *ownDialog_;
}

void TComparatorForm::bbtnHiLowLimitClick() {
    TDlgHiLowForm& dialog = LimitDialog();
    dialog.iFunc = Values.funcCode;
    dialog.HiLimit = HiLimit;
    dialog.LowLimit = LowLimit;
    CopyCut(dialog.szUnit, FieldString(Values.unit));
    CopyCut(dialog.szFunc, FieldString(Values.func));
    if (Prompt().execDialog(dialog) != QDialog::Accepted) return;
    HiLimit = dialog.HiLimit;
    LowLimit = dialog.LowLimit;
    // The needle keeps its angle until the next reading.
    ShowLimits();
}

void TComparatorForm::paintEvent(QPaintEvent*) {
    EnsureRaster();
    QPainter p(this);
    p.drawImage(0, 0, raster_);
}

void TComparatorForm::customEvent(QEvent* event) {
    if (event->type() == WindowMessage::type() &&
        static_cast<WindowMessage*>(event)->number() == msg::NewReading) {
        WmNewReading();
        return;
    }
    QWidget::customEvent(event);
}

void TComparatorForm::closeEvent(QCloseEvent* event) {
    hide();
    event->ignore();
}

void TComparatorForm::showEvent(QShowEvent* event) {
    rasterValid_ = false;
    QWidget::showEvent(event);
}

void TComparatorForm::resizeEvent(QResizeEvent* event) {
    PlaceControls();
    rasterValid_ = false;
    QWidget::resizeEvent(event);
}

}  // namespace dmm
