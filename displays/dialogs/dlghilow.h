// The comparator's limit dialog: the high and low limit as free text, each
// keystroke converted at once.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dmm {

class TDlgHiLowForm : public QDialog {
    Q_OBJECT

public:
    explicit TDlgHiLowForm(QWidget* parent = nullptr);

    // Handed over by the comparator before the dialog is shown; the limits are
    // read back after OK.
    double HiLimit = 0;
    double LowLimit = 0;
    std::int32_t iFunc = 0;
    char szUnit[8] = {};
    char szFunc[8] = {};

    QLabel* lblUpperLimit = nullptr;
    QLabel* lblLowerLimit = nullptr;
    QLineEdit* mkeHiLimit = nullptr;
    QLineEdit* mkeLowLimit = nullptr;
    QLabel* stxtHiUnit = nullptr;
    QLabel* stxtHiFunc = nullptr;
    QLabel* stxtLowUnit = nullptr;
    QLabel* stxtLowFunc = nullptr;
    QPushButton* bbtnOk = nullptr;
    QPushButton* bbtnCancel = nullptr;

    // Fills the edits and the unit and function texts from the held values.
    void FormShow();
    void mkeHiLimitChange();
    void mkeLowLimitChange();
    void bbtnOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ConvertEdit(const QLineEdit* edit, double& limit);

    bool converting_ = false;  // an error box of a limit edit is up
};

}  // namespace dmm
