// The window of a probe for the meter on the port: the port, the line setting and the
// families being tried, and in the end what was found. Modeless: the windows behind it
// go on working while the probe runs from the event loop.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dmm {

struct DetectionProgress;

class TDlgDetectForm : public QDialog {
    Q_OBJECT
public:
    explicit TDlgDetectForm(QWidget* parent = nullptr);

    QLabel* lblHeadline;
    QLabel* lblSetting;
    QProgressBar* ProgressBar;
    // Cancel while the probe runs, Close once it has ended.
    QPushButton* bbtnCancel;

    // A probe begins on the port named.
    void ShowStart(const QString& port);
    void ShowProgress(const DetectionProgress& progress);
    // The probe has ended: what it came to, and a line more (the meter found, or why none was).
    void ShowOutcome(const QString& outcome, const QString& detail);
    bool Probing() const { return probing_; }

    // Cancel, Escape and the window's close: while the probe runs they ask to cancel it
    // (cancelRequested), afterwards they close the window.
    void reject() override;

signals:
    void cancelRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool probing_ = false;
};

}  // namespace dmm
