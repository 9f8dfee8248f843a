// "Publish readings...": where the desktop program sends its readings (an MQTT broker's URL,
// the meter's name, on or off, the password file) and a test that says, without blocking,
// whether the broker answered.
#pragma once

#include <QDialog>
#include <memory>

#include "logger/publish/mqttsettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace dmm {

class MqttProbe;

class TDlgPublishForm : public QDialog {
    Q_OBJECT
public:
    explicit TDlgPublishForm(QWidget* parent = nullptr);
    ~TDlgPublishForm() override;

    // Set before showing, read back after OK.
    MqttSettings Values;

    QLineEdit* editUrl;
    QLineEdit* editName;
    QLineEdit* editPasswordFile;
    QCheckBox* cbxOn;
    QPushButton* btnTest;
    QLabel* lblResult;
    QPushButton* bbtnOk;
    QPushButton* bbtnCancel;

    void btnTestClick();
    void bbtnOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    MqttSettings entered() const;
    void TimerProbeTimer();

    std::unique_ptr<MqttProbe> probe_;
    QTimer* timerProbe_;
};

// Shows the dialog for the desktop's publishing and applies what OK gives; true after OK.
bool EditDesktopPublishing(QWidget* parent, const std::string& portName);

}  // namespace dmm
