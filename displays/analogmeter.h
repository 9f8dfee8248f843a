// The analog meter: the reading as a needle over a printed scale, with the
// range multiplier, a plus or minus sign and the unit and function texts.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "displays/rules/needle.h"
#include "meterlink/handover.h"

class QFrame;
class QLabel;

namespace dmm {

class TAnalogMeterForm : public QWidget {
    Q_OBJECT

public:
    explicit TAnalogMeterForm(QWidget* parent = nullptr);

    // Written by the poll before it posts msg::NewReading; read by nothing else.
    AnalogValues Values;

    double NeedleAngle = kAnalogStartAngle;
    double PrevNeedleAngle = kAnalogStartAngle;
    std::int32_t ShownFunc = kAnalogStartFunc;  // the function the dial was last drawn for

    QFrame* Panel1 = nullptr;  // readout strip
    QLabel* MultPanel = nullptr;
    QLabel* UnitPanel = nullptr;
    QLabel* FuncPanel = nullptr;

    // Full redraw: dial, sign, texts and the needle at NeedleAngle.
    void FormPaint();
    // A new reading is in Values: move the needle by XOR lines over the dial.
    void WmNewReading();

    // The window's picture, shown as it is by every paint.
    const QImage& RasterImage() const { return raster_; }
    // The scale picture on the dial now (kScale0To5, kScale0To10, kScale0To20,
    // kScale0To4, kScale0To6).
    int ShownScale() const { return shownScale_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RedrawAll();
    void EnsureRaster();
    void RedrawFace();
    void RedrawSign();
    void SetTexts();
    void DrawNeedle(double angle);

    AnalogMeterGeometry geometry_;
    QImage faceBitmap_;
    QImage scaleBitmap_;
    QImage signBitmap_;
    QImage raster_;
    int shownScale_ = 0;
    bool rasterValid_ = false;
};

}  // namespace dmm
