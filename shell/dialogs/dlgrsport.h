// The serial port selection dialog: COM1..COM6 and the device each stands for, and
// below them the kind of meter on the port.
#pragma once

#include <QDialog>
#include <array>
#include <string_view>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

namespace dmm {

class TDlgRsPortForm : public QDialog {
    Q_OBJECT
public:
    explicit TDlgRsPortForm(QWidget* parent = nullptr);

    // The port number, set by the caller before showing and read back after OK.
    int SelectedPort = 1;
    // The meter's name (MeterNames()), set and read back the same way.
    std::string_view SelectedMeter;

    QLabel* Image1;
    QFrame* Panel1;
    QRadioButton* rbtnCom1;
    QRadioButton* rbtnCom2;
    QRadioButton* rbtnCom3;
    QRadioButton* rbtnCom4;
    QRadioButton* rbtnCom5;
    QRadioButton* rbtnCom6;
    // The device under each radio button, "(none)" when the number stands for nothing.
    std::array<QLabel*, 6> DeviceLabels{};
    QLabel* lblMeter;
    QComboBox* cbxMeter;
    QFrame* Bevel1;
    QPushButton* bbtnOk;
    QPushButton* bbtnCancel;

    std::array<QRadioButton*, 6> PortButtons() const;

    void bbtnOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void ShowDevices();

    QButtonGroup* group_;
};

}  // namespace dmm
