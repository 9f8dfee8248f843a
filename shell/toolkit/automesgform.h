// The warning window that closes itself after three seconds.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dmm {

class TickTimer;

class TAutoMsgForm : public QDialog {
    Q_OBJECT
public:
    // Results: Abort button, Continue button, timed out.
    static constexpr int ResultAbort = 3, ResultRetry = 4, ResultYes = 6;
    // Steps of 100 ms before the window closes itself.
    static constexpr int kCountdownSteps = 30;

    // The count-down runs on `timer` when one is given (the window takes it over), on a
    // QTimer otherwise.
    explicit TAutoMsgForm(QWidget* parent = nullptr, TickTimer* timer = nullptr);

    // Sets the caption ("Warning[W%d]" filled with captionNumber) and the three labels, shows
    // the window modally through Prompt().execDialog(*this) and returns its result. A detail
    // (such as why the line failed) gets a line of its own below the buttons.
    int ShowMessage(int captionNumber, const QString& msg1, const QString& msg2,
                    const QString& msg3, const QString& detail = QString());

    QLabel* Image1;
    QLabel* lbMsg1;
    QLabel* lbMsg2;
    QLabel* lbMsg3;
    QLabel* lbDetail;
    QProgressBar* ProgressBar;
    QPushButton* bbtnAbort;
    QPushButton* bbtnYes;
    TickTimer* Timer1;

    // Escape or a close request from the window manager counts as Continue: the window has no
    // close box, and whoever asked can only mean "go on".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Timer1Timer();
};

}  // namespace dmm
