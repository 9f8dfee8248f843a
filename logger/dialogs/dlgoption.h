// The acquisition interval dialog: "Manual", or "Automatic" at "Full Speed" or a
// number of seconds asked for in an input box.
#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace dmm {

class TDialogOption : public QDialog {
    Q_OBJECT
public:
    explicit TDialogOption(QWidget* parent = nullptr);

    bool bOptManual = false;
    int iOptSeconds = 0;  // 0 = "Full Speed"

    // Puts bOptManual and iOptSeconds into the controls; runs whenever the dialog is shown.
    void FormShow();

    // A click on either radio button.
    void rbtnClick();
    // The user picked an item of cbxInterval.
    void cbxIntervalChange();

    QLabel* Image1 = nullptr;
    QGroupBox* rgIntervalMode = nullptr;
    QRadioButton* rbtnManual = nullptr;
    QRadioButton* rbtnAutomatic = nullptr;
    QComboBox* cbxInterval = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* bbtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSelection();
};

}  // namespace dmm
