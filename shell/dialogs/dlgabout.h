// The about box: model, program, version, date, notice and the system the program runs on.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dmm {

class TDlgAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TDlgAboutForm(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
};

}  // namespace dmm
