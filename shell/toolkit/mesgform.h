// The progress window of long transfers (reading a logger file, importing the meter's memory).
#pragma once

#include <QColor>
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dmm {

// Modeless: the transfer shows it, steps the bar, lets pending events run between its steps
// and learns of an abort from the cleared transfer-in-progress flag.
class TMsgForm : public QDialog {
    Q_OBJECT
public:
    explicit TMsgForm(QWidget* parent = nullptr);

    // The headline's text and colour.
    void SetHeadline(const QString& text, const QColor& colour);

    QLabel* MsgPanel;
    QLabel* Label1;
    QProgressBar* ProgressBar;
    QPushButton* bbtnAbort;

    // Asks whether to abort; Yes clears the transfer-in-progress flag.
    void bbtnAbortClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dmm
