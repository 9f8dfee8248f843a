// The digital meter: the meter's own display, lime on black, scaled with the window.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace dmm {

struct MeterReading;

// Always present: it cannot be closed, only minimised. The poll writes its panels on every
// reading; the window only lays them out and scales their fonts.
class TDigitalMeterForm : public QWidget {
    Q_OBJECT
public:
    explicit TDigitalMeterForm(QWidget* parent = nullptr);

    // Display text, unit, function and AC/DC strip of a decoded reading.
    void ShowReading(const MeterReading& r);
    // "Digital Meter : COM n".
    void SetPortCaption(int port);

    QFrame* LcdPanel;
    QLabel* DataPanel;
    QLabel* UnitPanel;
    QLabel* FuncPanel;
    QLabel* pnlAcDc;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LcdPanelResize();
};

}  // namespace dmm
