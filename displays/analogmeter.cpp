#include "displays/analogmeter.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>

#include "displays/faces.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/strnum.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {
namespace {

constexpr int kUnitPanelWidth = 19;
constexpr int kFuncPanelWidth = 20;

QLabel* Readout(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(0, 255, 0));
    label->setPalette(pal);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TAnalogMeterForm::TAnalogMeterForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(Str(str::AnalogMeterCaption));
    setWindowIcon(AnalogMeterIcon());
    // Every pixel comes from the raster image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    faceBitmap_ = AnalogFaceImage();

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->resize(kAnalogPanel1Width, kAnalogPanel1Height);
    MultPanel = Readout(Panel1);
    UnitPanel = Readout(Panel1);
    FuncPanel = Readout(Panel1);
    const QRect inner = Panel1->contentsRect();
    FuncPanel->setGeometry(inner.right() + 1 - kFuncPanelWidth, inner.top(), kFuncPanelWidth,
                           inner.height());
    UnitPanel->setGeometry(FuncPanel->x() - kUnitPanelWidth, inner.top(), kUnitPanelWidth,
                           inner.height());
    MultPanel->setGeometry(inner.left(), inner.top(), UnitPanel->x() - inner.left(),
                           inner.height());

    SetTexts();
}

void TAnalogMeterForm::FormPaint() {
    RedrawAll();
    update();
}

void TAnalogMeterForm::RedrawAll() {
    geometry_ = LayoutAnalogMeter(OuterWidth(this));
    if (raster_.size() != size()) raster_ = QImage(size(), QImage::Format_RGB32);
    raster_.fill(palette().color(QPalette::Window));
    RedrawFace();
    const WindowRect& r = geometry_.Panel1;
    Panel1->setGeometry(r.left, r.top, r.width, r.height);
    Panel1->show();
    RedrawSign();
    SetTexts();
    // XOR on the fresh dial looks like a solid needle and lets the next move
    // restore every pixel under it, the scale's ticks included.
    DrawNeedle(NeedleAngle);
    rasterValid_ = true;
}

void TAnalogMeterForm::EnsureRaster() {
    if (!rasterValid_ || raster_.size() != size()) RedrawAll();
}

void TAnalogMeterForm::RedrawFace() {
    shownScale_ = ScaleBitmap(Values.funcCode, Values.DecimalShift, Values.iFullScale);
    scaleBitmap_ = ScaleImage(shownScale_);
    QPainter p(&raster_);
    p.drawImage(geometry_.face.x, geometry_.face.y, faceBitmap_);
    p.drawImage(geometry_.scale.x, geometry_.scale.y, scaleBitmap_);
}

void TAnalogMeterForm::RedrawSign() {
    signBitmap_ = SignImage(SignBitmap(Values.NegativeFlag));
    QPainter p(&raster_);
    p.drawImage(geometry_.sign.x, geometry_.sign.y, signBitmap_);
}

void TAnalogMeterForm::SetTexts() {
    MultPanel->setText(QString::fromStdString(MultiplierText(Values.DecimalShift)));
    ShowPanelText(UnitPanel, FieldString(Values.unit), UnitPanelStyle(Values.funcCode));
    ShowPanelText(FuncPanel, FieldString(Values.func), FuncPanelStyle(Values.funcCode));
}

void TAnalogMeterForm::DrawNeedle(double angle) {
    XorNeedle(raster_, geometry_.pivot, angle, kAnalogNeedleLength);
}

void TAnalogMeterForm::WmNewReading() {
    EnsureRaster();
    // A meter with its own full-scale count can change the scale within a function.
    if (FaceNeedsRedraw(Values.funcCode, ShownFunc) ||
        ScaleBitmap(Values.funcCode, Values.DecimalShift, Values.iFullScale) != shownScale_) {
        ShownFunc = Values.funcCode;
        RedrawFace();
        RedrawSign();
        SetTexts();
        // The dial was drawn over the needle; put it back so the move below can remove it.
        DrawNeedle(NeedleAngle);
    } else {
        RedrawSign();
    }
    SetTexts();

    PrevNeedleAngle = NeedleAngle;
    NeedleAngle = AnalogNeedleAngle(Values.NeedleCount, Values.FullScale, NeedleAngle);
    for (double angle : NeedleSweep(PrevNeedleAngle, NeedleAngle)) DrawNeedle(angle);
    update();
}

void TAnalogMeterForm::paintEvent(QPaintEvent*) {
    EnsureRaster();
    QPainter p(this);
    p.drawImage(0, 0, raster_);
}

void TAnalogMeterForm::customEvent(QEvent* event) {
    if (event->type() == WindowMessage::type() &&
        static_cast<WindowMessage*>(event)->number() == msg::NewReading) {
        WmNewReading();
        return;
    }
    QWidget::customEvent(event);
}

void TAnalogMeterForm::closeEvent(QCloseEvent* event) {
    hide();
    event->ignore();
}

void TAnalogMeterForm::showEvent(QShowEvent* event) {
    // Fields may have changed while hidden: the first paint draws everything.
    rasterValid_ = false;
    QWidget::showEvent(event);
}

void TAnalogMeterForm::resizeEvent(QResizeEvent* event) {
    rasterValid_ = false;
    QWidget::resizeEvent(event);
}

}  // namespace dmm
