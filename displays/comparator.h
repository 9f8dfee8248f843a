// The comparator: judges each reading against a high and a low limit, shows it
// as a needle over an NG / GO / NG arc and, with the alarm on, sounds a tone for
// a reading outside the limits.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "displays/rules/needle.h"
#include "meterlink/handover.h"

class QFrame;
class QLabel;
class QPushButton;

namespace dmm {

class TDlgHiLowForm;

class TComparatorForm : public QWidget {
    Q_OBJECT

public:
    // Takes the limits read at start-up.
    explicit TComparatorForm(QWidget* parent = nullptr);

    // Written by the poll before it posts msg::NewReading.
    ComparatorValues Values;
    // The live limits; the main window saves them at exit.
    double HiLimit = 0;
    double LowLimit = 0;

    double NeedleAngle = kComparatorStartAngle;
    double PrevNeedleAngle = kComparatorStartAngle;
    std::uint8_t AlarmOn = 0;

    QPushButton* bbtnAlart = nullptr;
    QPushButton* bbtnHiLowLimit = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* HiLimitPanel = nullptr;
    QLabel* HiUnitPanel = nullptr;
    QLabel* HiFuncPanel = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* LowLimitPanel = nullptr;
    QLabel* LowUnitPanel = nullptr;
    QLabel* LowFuncPanel = nullptr;

    // The window's height depends on these.
    int AlarmButtonHeight() const;
    int LimitButtonHeight() const;

    // Full redraw: dial, lamp arc, needle at NeedleAngle, limits and texts.
    void FormPaint();
    // A new reading is in Values: move the needle, then judge and sound the alarm.
    void WmNewReading();
    void bbtnAlartClick();
    void bbtnHiLowLimitClick();

    // The program's limit dialog when there is one, else this window's own.
    TDlgHiLowForm& LimitDialog();

    const QImage& RasterImage() const { return raster_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();
    void RedrawAll();
    void EnsureRaster();
    void ShowLimits();
    void SetTexts();
    void DrawNeedle(double angle);

    ComparatorGeometry geometry_;
    QImage faceBitmap_;
    QImage lampBitmap_;
    QImage raster_;
    bool rasterValid_ = false;
    TDlgHiLowForm* ownDialog_ = nullptr;
};

}  // namespace dmm
