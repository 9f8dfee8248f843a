#include "shell/dialogs/dlgdetect.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "meterlink/numparse.h"
#include "resources/pictures/icons.h"
#include "resources/strings.h"
#include "shell/rules/meterdetection.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
constexpr int kClientWidth = 400;
constexpr int kClientHeight = 128;
}  // namespace

TDlgDetectForm::TDlgDetectForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setModal(false);
    setWindowTitle(Str(str::DetectCaption));
    setWindowIcon(ToolGlyph(QStringLiteral("port")));
    setFixedSize(kClientWidth, kClientHeight);

    lblHeadline = new QLabel(this);
    lblHeadline->setGeometry(12, 10, kClientWidth - 24, 22);
    QFont bold = lblHeadline->font();
    bold.setBold(true);
    lblHeadline->setFont(bold);

    lblSetting = new QLabel(this);
    lblSetting->setGeometry(12, 34, kClientWidth - 24, 20);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(12, 60, kClientWidth - 24, 14);
    ProgressBar->setTextVisible(false);

    bbtnCancel = new QPushButton(this);
    bbtnCancel->setGeometry(kClientWidth - 12 - 92, kClientHeight - 10 - 28, 92, 28);
    bbtnCancel->setDefault(true);
    connect(bbtnCancel, &QPushButton::clicked, this, &TDlgDetectForm::reject);
}

void TDlgDetectForm::ShowStart(const QString& port) {
    probing_ = true;
    lblHeadline->setText(QString::fromStdString(
        Format(LoadStr(str::DetectLookingOn).c_str(), port.toStdString().c_str())));
    lblSetting->clear();
    ProgressBar->setRange(0, 0);  // running, for as long as it takes
    bbtnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    bbtnCancel->setText(QStringLiteral("Cancel"));
}

void TDlgDetectForm::ShowProgress(const DetectionProgress& p) {
    std::string meters;
    for (std::string_view m : p.meters) {
        if (!meters.empty()) meters += ", ";
        meters += m;
    }
    lblSetting->setText(QString::fromStdString(
        Format(LoadStr(str::DetectTrying).c_str(), p.line.c_str(), meters.c_str(),
               static_cast<int>(p.setting + 1), static_cast<int>(p.settings))));
}

void TDlgDetectForm::ShowOutcome(const QString& outcome, const QString& detail) {
    probing_ = false;
    lblHeadline->setText(outcome);
    lblSetting->setText(detail);
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(1);
    bbtnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    bbtnCancel->setText(QStringLiteral("Close"));
}

void TDlgDetectForm::reject() {
    if (probing_)
        emit cancelRequested();
    else
        QDialog::reject();
}

void TDlgDetectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace dmm
